#include "facade/KW5ErrorReturnHRESULT.h"

#include "kw5/HResult.h"

HRESULT kw5HresultFromWin32(long code) {
    if (code <= 0)
        return static_cast<HRESULT>(code);
    return static_cast<HRESULT>(0x80070000u | (static_cast<unsigned long>(code) & 0xFFFFu));
}

HRESULT KW5ErrorReturnHRESULT(const _KW5_FILE_RET& result) {
    switch (result) {
    case KW5_FILE_RET_OK:
        return kw5::kS_OK;
    case KW5_FILE_RET_FILE_READ_ONLY:
    case KW5_FILE_RET_NOT_FOUND:
    case KW5_FILE_RET_READ_ONLY:
        return kw5::kS_FALSE;
    case KW5_FILE_RET_OUT_OF_MEMORY:
        return kw5::kE_OUTOFMEMORY;
    case KW5_FILE_RET_NULL_POINTER:
        return kw5::kE_POINTER;
    case KW5_FILE_RET_INVALID_DATA:
    case KW5_FILE_RET_INVALID_PARAMETER:
    case KW5_FILE_RET_EMPTY_PATH:
        return kw5::kE_INVALIDARG;
    case KW5_FILE_RET_DISK_FULL:
        return kw5::kE_KW5_DISK_FULL;
    case KW5_FILE_RET_NETNAME_DELETED:
        return kw5HresultFromWin32(64);
    case KW5_FILE_RET_NETWORK_ACCESS_DENIED:
        return kw5HresultFromWin32(65);
    case KW5_FILE_RET_BAD_NETPATH:
        return kw5HresultFromWin32(53);
    case KW5_FILE_RET_BAD_NET_NAME:
        return kw5HresultFromWin32(67);
    case KW5_FILE_RET_LOGON_FAILURE:
        return kw5HresultFromWin32(1326);
    case KW5_FILE_RET_FORMAT_WRONG_VERSION:
    case KW5_FILE_RET_FORMAT_WRONG_ENCODING:
    case KW5_FILE_RET_FORMAT_FRAME_TOO_LARGE:
    case KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT:
    case KW5_FILE_RET_FORMAT_NO_LSI:
    case KW5_FILE_RET_FORMAT_LSI_PRESENT:
    case KW5_FILE_RET_FORMAT_NO_ULINF:
        return kw5::kE_KW5_FORMAT;
    case KW5_FILE_RET_NOT_IMPLEMENTED:
        return kw5::kE_NOTIMPL;
    default:
        return kw5::kE_FAIL;
    }
}

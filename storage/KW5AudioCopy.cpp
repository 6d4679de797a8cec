#include "storage/KW5AudioCopy.h"

#include "storage/KW5FileOpen.h"

namespace kw5storage {

namespace {

_KW5_FILE_RET notFoundResult(uint32_t error) {
    switch (error) {
    case kw5platform::kErrorNetnameDeleted:
        return KW5_FILE_RET_NETNAME_DELETED;
    case kw5platform::kErrorNetworkAccessDenied:
        return KW5_FILE_RET_NETWORK_ACCESS_DENIED;
    case kw5platform::kErrorBadNetpath:
        return KW5_FILE_RET_BAD_NETPATH;
    case kw5platform::kErrorBadNetName:
        return KW5_FILE_RET_BAD_NET_NAME;
    case kw5platform::kErrorLogonFailure:
        return KW5_FILE_RET_LOGON_FAILURE;
    default:
        return KW5_FILE_RET_FILE_NOT_FOUND;
    }
}

} // namespace

_KW5_FILE_RET copyRest(kw5platform::File& source, kw5platform::File& destination,
                       kw5platform::SourceCache cache) {
    switch (kw5platform::copyToEnd(source, destination, kFlushAhead, cache)) {
    case kw5platform::CopyEnd::Done:
        return KW5_FILE_RET_OK;
    case kw5platform::CopyEnd::ReadFailed:
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    case kw5platform::CopyEnd::WriteFailed:
        return KW5_FILE_RET_FILE_WRITE_ERROR;
    case kw5platform::CopyEnd::OutOfMemory:
        break;
    }
    return KW5_FILE_RET_OUT_OF_MEMORY;
}

_KW5_FILE_RET copyAudio(const KW5WString& source, uint64_t sourcePosition,
                        kw5platform::File& destination, uint64_t destinationPosition) {
    if (!kw5platform::findFile(source))
        return notFoundResult(kw5platform::lastError());
    kw5platform::File input;
    if (!openWithRetry(input, source, kw5platform::OpenPurpose::ReadShareRead))
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    if (!input.seek(sourcePosition) || !destination.seek(destinationPosition))
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    return copyRest(input, destination, kw5platform::SourceCache::Keep);
}

} // namespace kw5storage

// Lifecycle of the exported class: construction, the two Open overloads,
// the recorded tag size and the translation of internal results.
#include "kw5/CKW5VorletLib.h"

#include "facade/KW5ErrorReturnHRESULT.h"
#include "kw5/HResult.h"
#include "storage/KW5File.h"
#include "tag/KW5Tag.h"

#include <new>

namespace {

// The end of both Opens: the tag held by file (ret: how reading it went)
// becomes the object's tag. A failed parse keeps the frames before the
// fault; the object must not offer a half-read tag.
LONG loadOpened(KW5File& file, _KW5_FILE_RET ret, KW5Tag& tag, int32_t& opened) {
    if (ret == KW5_FILE_RET_OK)
        ret = file.loadTag(tag);
    if (ret != KW5_FILE_RET_OK) {
        tag.reset();
        return KW5ErrorReturnHRESULT(ret);
    }
    opened = 1;
    return kw5::kS_OK;
}

} // namespace

CKW5VorletLib::CKW5VorletLib() : modified(0), openMode(0), tag(), path(), opened(0) {
    // Without a tag every access method answers E_FAIL until an Open works.
    tag.reset(new (std::nothrow) KW5Tag());
}

CKW5VorletLib::~CKW5VorletLib() {
    clear();
}

LONG CKW5VorletLib::clear() {
    tag.reset();
    return kw5::kS_OK;
}

LONG CKW5VorletLib::init() {
    try {
        clear();
        tag.reset(new KW5Tag());
        return kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::KW5ErrorReturnHRESULT(const _KW5_FILE_RET& result) {
    return ::KW5ErrorReturnHRESULT(result);
}

LONG CKW5VorletLib::Open(const KW5WString& filePath, LONG mode) {
    try {
        if (filePath.empty() || (mode != KW5_OPEN_READONLY && mode != KW5_OPEN_READWRITE &&
                                 mode != KW5_OPEN_READWRITE_ALL))
            return kw5::kE_INVALIDARG;
        if (opened == 1)
            return kw5::kE_FAIL;
        path = filePath;
        openMode = mode;

        if (mode != KW5_OPEN_READONLY &&
            KW5File::checkFileWritable(filePath) == KW5_FILE_RET_FILE_READ_ONLY)
            return KW5ErrorReturnHRESULT(KW5_FILE_RET_FAILED);

        LONG hr = init();
        if (hr < 0)
            return hr;
        // A fresh tag: nothing is changed against the file yet, whatever was
        // done to an earlier tag.
        modified = 0;

        KW5File file;
        _KW5_FILE_RET ret = file.read(filePath, mode);
        return loadOpened(file, ret, *tag, opened);
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::Open(const unsigned char* image, LONG size) {
    try {
        if (image == nullptr || size <= 0)
            return kw5::kE_INVALIDARG;
        if (opened == 1)
            return kw5::kE_FAIL;
        LONG hr = init();
        if (hr < 0)
            return hr;
        modified = 0;

        KW5File file;
        _KW5_FILE_RET ret = file.setImage(image, static_cast<ULONG>(size));
        // An image has no file to write back to.
        openMode = KW5_OPEN_READONLY;
        path.clear();
        return loadOpened(file, ret, *tag, opened);
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::GetId3TagSize(LONG* size) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        if (size == nullptr)
            return kw5::kE_POINTER;
        ULONG tagSize = 0;
        _KW5_FILE_RET ret = tag->getTagSize(tagSize);
        if (ret != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(ret);
        *size = static_cast<LONG>(tagSize);
        return kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

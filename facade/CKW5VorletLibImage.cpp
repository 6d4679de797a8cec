// Minimal tag images built in memory around one or two host objects: one
// "GEOB" frame per object ("VMK_LSI", then "VMK_OLINF"), MIME type "binary",
// encoding 2, padded as a new tag is. No file and no open tag are involved.
#include "kw5/CKW5VorletLib.h"

#include "facade/KW5FileRet.h"
#include "facade/KW5HostBlocks.h"
#include "kw5/HResult.h"
#include "storage/KW5File.h"
#include "tag/KW5Frame.h"
#include "tag/KW5FrameKinds.h"
#include "tag/KW5Tag.h"
#include "tag/KW5TagHeader.h"

#include <string>
#include <vector>

namespace {

const char kObjectFrameId[] = "GEOB";
const unsigned char kObjectEncoding = 2;
const unsigned short kObjectFlags = 0;
const char* const kFirstObjectDesc = kw5kinds::kLeadObjectGM;
const char kSecondObjectDesc[] = "VMK_OLINF";

const KW5WString& objectMimeType() {
    static const KW5WString mimeType = KW5_WSTR("binary");
    return mimeType;
}

// A private copy of one object. A negative size cannot be allocated; a size
// above the tag limit could never be written, so neither is copied at all.
_KW5_FILE_RET copyObject(const unsigned char* object, LONG size, std::vector<unsigned char>& copy) {
    if (size < 0)
        return KW5_FILE_RET_OUT_OF_MEMORY;
    if (static_cast<ULONG>(size) > KW5TagHeader::kMaxSize)
        return KW5_FILE_RET_TAG_TOO_LARGE;
    return copyHostBytes(object, static_cast<size_t>(size), copy);
}

// The padded image of a scratch tag holding the frames, handed out as a
// task-allocator block.
_KW5_FILE_RET makeImage(const KW5FrameList& frames, unsigned char** image, LONG* imageSize) {
    KW5Tag scratch;
    _KW5_FILE_RET result = scratch.addFrames(frames);
    if (result != KW5_FILE_RET_OK)
        return result;
    KW5File file;
    unsigned char* block = nullptr;
    ULONG length = 0;
    result = file.makeTagImage(scratch, block, length);
    if (result != KW5_FILE_RET_OK)
        return result;
    *image = block;
    *imageSize = static_cast<LONG>(length);
    return KW5_FILE_RET_OK;
}

} // namespace

LONG CKW5VorletLib::GetSimpleVorletVMKLSI(const unsigned char* object, LONG objectSize,
                                          unsigned char** image, LONG* imageSize) {
    try {
        if (object == nullptr || image == nullptr || imageSize == nullptr)
            return kw5::kE_POINTER;
        std::vector<unsigned char> copy;
        _KW5_FILE_RET result = copyObject(object, objectSize, copy);
        if (result != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(result);
        KW5Frame frame;
        LONG built =
            makeBinaryFrame(kObjectFrameId, kObjectEncoding, objectMimeType(), kFirstObjectDesc,
                            kObjectFlags, copy.data(), static_cast<ULONG>(copy.size()), frame);
        if (built < 0)
            return built;
        result = makeImage(KW5FrameList(1, frame), image, imageSize);
        return result == KW5_FILE_RET_OK ? kw5::kS_OK : KW5ErrorReturnHRESULT(result);
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::GetSimpleVorletVMKLSI_VMKOLINF(const unsigned char* object, LONG objectSize,
                                                   const unsigned char* secondObject,
                                                   LONG secondObjectSize, unsigned char** image,
                                                   LONG* imageSize) {
    try {
        if (object == nullptr || secondObject == nullptr || image == nullptr ||
            imageSize == nullptr)
            return kw5::kE_POINTER;
        KW5FrameList frames;
        const unsigned char* objects[] = {object, secondObject};
        const LONG sizes[] = {objectSize, secondObjectSize};
        const char* descs[] = {kFirstObjectDesc, kSecondObjectDesc};
        for (int i = 0; i < 2; ++i) {
            std::vector<unsigned char> copy;
            _KW5_FILE_RET result = copyObject(objects[i], sizes[i], copy);
            if (result != KW5_FILE_RET_OK)
                return KW5ErrorReturnHRESULT(result);
            KW5Frame frame;
            LONG built =
                makeBinaryFrame(kObjectFrameId, kObjectEncoding, objectMimeType(), descs[i],
                                kObjectFlags, copy.data(), static_cast<ULONG>(copy.size()), frame);
            if (built < 0)
                return built;
            frames.push_back(frame);
        }
        // The Prask write order takes objects by description: "VMK_LSI" first.
        _KW5_FILE_RET result = makeImage(frames, image, imageSize);
        return result == KW5_FILE_RET_OK ? kw5::kS_OK : KW5ErrorReturnHRESULT(result);
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

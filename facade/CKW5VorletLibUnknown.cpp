// Frames the host does not model, exported as one blob (a bare tag image:
// header, frames, no padding) and imported from such a blob into the open
// tag.
#include "kw5/CKW5VorletLib.h"

#include "facade/KW5FileRet.h"
#include "facade/KW5HostBlocks.h"
#include "facade/KW5IdTables.h"
#include "facade/KW5TagTransaction.h"
#include "fields/KW5Field.h"
#include "kw5/HResult.h"
#include "storage/KW5File.h"
#include "tag/KW5Frame.h"
#include "tag/KW5FrameHeader.h"
#include "tag/KW5SerializedFrames.h"
#include "tag/KW5Tag.h"

#include <string>
#include <vector>

LONG CKW5VorletLib::GetSDKUnknown(const std::vector<_StructProperty*>& known, unsigned char*& blob,
                                  ULONG& blobSize) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        // Everything below works on a scratch copy; the open tag stays as it is.
        KW5Tag scratch(*tag);
        // The blob is no write-back of the file: frames under one key go
        // out as the store holds them.
        scratch.dropLoadConflicts();
        for (const _StructProperty* property : known) {
            if (property == nullptr)
                return kw5::kE_POINTER;
            std::string frameId;
            std::string desc;
            if (!convertKw5Id(property->frameIndex, property->descIndex, frameId, desc))
                return kw5::kE_FAIL;
            if (isSeriesWithoutKey(frameId, property->descIndex))
                return kw5::kE_INVALIDARG;
            LONG deleted =
                deleteFrame(frameId, desc, property->descIndex, KW5_OPEN_READWRITE_ALL, scratch);
            if (deleted != 0)
                return deleted;
        }

        KW5SerializedFrames frames;
        _KW5_FILE_RET result = scratch.serializeFramesPrask(frames);
        if (result != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(result);
        if (frames.total == 0)
            return kw5::kS_FALSE;

        std::vector<unsigned char> image;
        KW5File file;
        result = file.makeBareTagImage(scratch, frames, image);
        KW5Tag::releaseFrameBuffers(frames);
        if (result != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(result);

        unsigned char* block = nullptr;
        result = makeTaskMemBlock(image.data(), image.size(), block);
        if (result != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(result);
        blob = block;
        blobSize = static_cast<ULONG>(image.size());
        return kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::PutSDKUnknown(const unsigned char* blob, LONG blobSize) {
    try {
        if (openMode == KW5_OPEN_READONLY)
            return KW5ErrorReturnHRESULT(KW5_FILE_RET_READ_ONLY);
        if (!tag)
            return kw5::kE_FAIL;
        if (blob == nullptr)
            return kw5::kE_POINTER;
        if (blobSize < 1)
            return kw5::kE_INVALIDARG;

        std::vector<unsigned char> copy;
        _KW5_FILE_RET result = copyHostBytes(blob, static_cast<size_t>(blobSize), copy);
        if (result != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(result);
        KW5Tag scratch;
        result = scratch.load(copy.data(), static_cast<ULONG>(copy.size()));
        if (result != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(result);

        // Each blob frame replaces the frame of the same id and description.
        // The open tag is edited on a copy that replaces it only when every
        // frame was taken over.
        KW5TagTransaction edit(tag, modified);
        KW5FrameList frames;
        for (;;) {
            KW5Frame frame;
            result = scratch.store().popNextFramePrask(frame);
            if (result == KW5_FILE_RET_NOT_FOUND)
                break;
            if (result != KW5_FILE_RET_OK)
                return KW5ErrorReturnHRESULT(result);

            std::string frameId;
            std::string desc;
            bool kept = false;
            result = KW5Tag::describeFrame(frame, frameId, desc, kept);
            // A frame no description reaches replaces nothing; it joins the
            // tag's other such frames.
            if (result == KW5_FILE_RET_OK && !kept)
                result = tag->removeFramesById(frameId, desc, KW5_OPEN_READWRITE_ALL);
            if (result != KW5_FILE_RET_OK && result != KW5_FILE_RET_NOT_FOUND)
                return KW5ErrorReturnHRESULT(result);
            frames.push_back(frame);
        }

        if (!frames.empty()) {
            result = tag->addFrames(frames);
            if (result != KW5_FILE_RET_OK)
                return KW5ErrorReturnHRESULT(result);
            modified = 1;
        }
        edit.commit();
        return kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

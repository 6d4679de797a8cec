// Binary objects: values of frames as byte blocks for the host, and "GEOB"
// frames built from the host's blocks.
#include "kw5/CKW5VorletLib.h"

#include "facade/KW5ErrorReturnHRESULT.h"
#include "facade/KW5FileRet.h"
#include "facade/KW5HostBlocks.h"
#include "facade/KW5IdTables.h"
#include "facade/KW5TagTransaction.h"
#include "fields/KW5Field.h"
#include "fields/KW5FieldInfo.h"
#include "kw5/HResult.h"
#include "platform/CodePage.h"
#include "platform/TaskMem.h"
#include "tag/KW5Frame.h"
#include "tag/KW5FrameHeader.h"
#include "tag/KW5NumberedSeries.h"
#include "tag/KW5Tag.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// Protected objects are written with this flags value instead of the host's.
const unsigned short kProtectedObjectFlags = 0x20;

void releaseRecords(const std::vector<_StructBinVal*>& values) {
    for (_StructBinVal* record : values) {
        if (record == nullptr || record->data == nullptr)
            continue;
        kw5platform::taskMemFree(record->data);
        delete record;
    }
}

// Records made for one call and released when it ends, on every path.
class LocalRecords {
public:
    LocalRecords() = default;
    ~LocalRecords() { releaseRecords(records); }
    LocalRecords(const LocalRecords&) = delete;
    LocalRecords& operator=(const LocalRecords&) = delete;

    std::vector<_StructBinVal*> records;
};

// One record for one frame: the bytes after the frame's own header fields
// and, for an object, its MIME type.
_KW5_FILE_RET makeRecord(const KW5Frame& frame, std::unique_ptr<_StructBinVal>& out) {
    std::unique_ptr<_StructBinVal> record(new (std::nothrow) _StructBinVal());
    if (!record)
        return KW5_FILE_RET_OUT_OF_MEMORY;
    KW5FrameHeader header;
    KW5Field body;
    _KW5_FILE_RET result = frame.checkValueReadable();
    if (result == KW5_FILE_RET_OK)
        result = frame.splitFrame(header, body);
    if (result != KW5_FILE_RET_OK)
        return result;
    std::string frameId;
    result = header.getId(frameId);
    if (result != KW5_FILE_RET_OK)
        return result;
    std::vector<unsigned char> payload;
    result = body.getPayload(frameId, payload);
    if (result != KW5_FILE_RET_OK)
        return result;
    KW5WString mimeType;
    result = body.getMimeType(frameId, mimeType);
    if (result != KW5_FILE_RET_OK)
        return result;
    result = makeTaskMemBlock(payload.data(), payload.size(), record->data);
    if (result != KW5_FILE_RET_OK)
        return result;
    record->dataSize = static_cast<ULONG>(payload.size());
    record->mimeType = mimeType;
    out = std::move(record);
    return KW5_FILE_RET_OK;
}

// Fills the host's record from ours: its own copy of the bytes.
_KW5_FILE_RET fillHostRecord(const _StructBinVal& from, _StructBinVal& to) {
    unsigned char* block = nullptr;
    _KW5_FILE_RET result = makeTaskMemBlock(from.data, from.dataSize, block);
    if (result != KW5_FILE_RET_OK)
        return result;
    to.data = block;
    to.dataSize = from.dataSize;
    to.mimeType = from.mimeType;
    return KW5_FILE_RET_OK;
}

// The first of the records made (made: the result of making them) goes to
// the host's value.
LONG handFirst(LONG made, const LocalRecords& local, _StructBinVal& value) {
    if (made < 0)
        return made;
    _KW5_FILE_RET filled = fillHostRecord(*local.records.front(), value);
    return filled == KW5_FILE_RET_OK ? kw5::kS_OK : KW5ErrorReturnHRESULT(filled);
}

} // namespace

LONG CKW5VorletLib::makeBinaryFrame(const std::string& frameId, const unsigned char& encoding,
                                    const KW5WString& mimeType, const std::string& desc,
                                    const unsigned short& flags, unsigned char* data,
                                    ULONG dataSize, KW5Frame& frame) {
    if (frameId != "GEOB")
        return kw5::kE_INVALIDARG;
    std::string narrowMimeType;
    if (!kw5platform::convertToNarrow(mimeType, narrowMimeType))
        return kw5::kE_FAIL;
    std::vector<unsigned char> object;
    _KW5_FILE_RET result = copyHostBytes(data, dataSize, object);
    if (result != KW5_FILE_RET_OK)
        return KW5ErrorReturnHRESULT(result);

    KW5FieldInfo record;
    record.setFrameId(frameId);
    record.setDescription(desc);
    record.setEncoding(encoding);
    record.setMimeType(narrowMimeType);
    record.setFileName(std::string());
    record.setData(std::move(object));

    KW5Field body;
    result = body.buildObjectField(record);
    ULONG bodySize = 0;
    if (result == KW5_FILE_RET_OK)
        result = body.getSize(bodySize);
    KW5FrameHeader header;
    if (result == KW5_FILE_RET_OK)
        result = header.build(frameId, bodySize, flags);
    if (result == KW5_FILE_RET_OK)
        result = frame.setFrame(header, body);
    return result == KW5_FILE_RET_OK ? kw5::kS_OK : KW5ErrorReturnHRESULT(result);
}

LONG CKW5VorletLib::makeBinaryStruct(const std::vector<KW5Frame>& frames,
                                     std::vector<_StructBinVal*>& values) {
    for (const KW5Frame& frame : frames) {
        std::unique_ptr<_StructBinVal> record;
        _KW5_FILE_RET result = makeRecord(frame, record);
        if (result == KW5_FILE_RET_OK) {
            values.push_back(record.get());
            record.release();
            continue;
        }
        freeBVStruct(values);
        values.clear();
        return KW5ErrorReturnHRESULT(result);
    }
    return kw5::kS_OK;
}

LONG CKW5VorletLib::freeBVStruct(const std::vector<_StructBinVal*>& values) {
    releaseRecords(values);
    return 1;
}

LONG CKW5VorletLib::GetBinary(LONG frameIndex, LONG descIndex,
                              std::vector<_StructBinVal*>& values) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        std::string frameId;
        std::string desc;
        if (!convertKw5Id(frameIndex, descIndex, frameId, desc))
            return kw5::kE_FAIL;

        // Only frames filed under their description can form a series; for
        // any other id every ordinal would find the same frame.
        if (isSeriesWithoutKey(frameId, descIndex))
            return kw5::kE_INVALIDARG;
        KW5FrameList frames;
        const bool numbered = isNumberedDesc(descIndex);
        _KW5_FILE_RET found = kw5series::findNamed(*tag, frameId, desc, numbered, frames);
        if (found != kw5series::complete(numbered))
            return KW5ErrorReturnHRESULT(found);
        if (frames.empty())
            return kw5::kS_FALSE;

        LONG made = makeBinaryStruct(frames, values);
        return made < 0 ? made : kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::PutBinary(LONG frameIndex, LONG descIndex,
                              const std::vector<_StructBinVal*>& values,
                              const unsigned char& flags) {
    // Once the tag is known to be writable the records are ours: they are
    // released on every path but one (several records for a single frame),
    // success or failure, exception included.
    bool releaseValues = false;
    LONG result = kw5::kE_FAIL;
    try {
        result = [&]() -> LONG {
            if (!tag)
                return kw5::kE_FAIL;
            if (openMode == KW5_OPEN_READONLY)
                return KW5ErrorReturnHRESULT(KW5_FILE_RET_READ_ONLY);
            releaseValues = true;

            std::string frameId;
            std::string desc;
            if (!convertKw5Id(frameIndex, descIndex, frameId, desc))
                return kw5::kE_FAIL;
            const bool numbered = isNumberedDesc(descIndex);
            if (!numbered && values.size() >= 2) {
                releaseValues = false;
                return kw5::kE_INVALIDARG;
            }
            if (isSeriesWithoutKey(frameId, descIndex))
                return kw5::kE_INVALIDARG;

            // The old frames go and the new ones come on a copy of the tag,
            // which replaces the tag only when every frame was built and filed.
            KW5TagTransaction edit(tag, modified);
            LONG deleted = deleteFrame(frameId, desc, descIndex);
            if (deleted != 0)
                return deleted;
            if (values.empty()) {
                edit.commit();
                return kw5::kS_OK;
            }

            KW5FrameList frames;
            for (size_t i = 0; i < values.size(); ++i) {
                const _StructBinVal* record = values[i];
                if (record == nullptr)
                    return kw5::kE_POINTER;
                const std::string frameDesc = numbered ? kw5series::member(desc, i + 1) : desc;
                std::vector<unsigned char> block;
                _KW5_FILE_RET copied = copyHostBytes(record->data, record->dataSize, block);
                if (copied != KW5_FILE_RET_OK)
                    return KW5ErrorReturnHRESULT(copied);
                KW5Frame frame;
                LONG built = makeBinaryFrame(frameId, 0, record->mimeType, frameDesc, flags,
                                             block.data(), record->dataSize, frame);
                if (built < 0)
                    return built;
                frames.push_back(frame);
            }

            _KW5_FILE_RET added = tag->addFrames(frames);
            if (added != KW5_FILE_RET_OK)
                return KW5ErrorReturnHRESULT(added);
            modified = 1;
            edit.commit();
            return kw5::kS_OK;
        }();
    } catch (...) {
        result = kw5::kE_FAIL;
    }
    if (releaseValues)
        freeBVStruct(values);
    return result;
}

LONG CKW5VorletLib::GetBinaryFromDesc(const KW5WString& frameId, const KW5WString& desc,
                                      _StructBinVal*& value) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        if (value == nullptr)
            return kw5::kE_POINTER;
        std::string narrowId;
        std::string narrowDesc;
        if (!kw5platform::convertToNarrow(frameId, narrowId) ||
            !kw5platform::convertToNarrow(desc, narrowDesc))
            return kw5::kE_FAIL;

        KW5FrameList frames;
        _KW5_FILE_RET found = tag->findFramesById(narrowId, narrowDesc, frames);
        if (found != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(found);

        LocalRecords local;
        return handFirst(makeBinaryStruct(frames, local.records), local, *value);
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::SeekBinaryFromDesc(const KW5WString& path, const KW5WString& frameId,
                                       const KW5WString& desc, _StructBinVal*& value) {
    try {
        if (value == nullptr)
            return kw5::kE_POINTER;
        std::string narrowId;
        std::string narrowDesc;
        if (!kw5platform::convertToNarrow(frameId, narrowId) ||
            !kw5platform::convertToNarrow(desc, narrowDesc))
            return kw5::kE_FAIL;

        KW5FrameList frames;
        _KW5_FILE_RET scanned = KW5Tag::scanFileFrames(path, narrowId, narrowDesc, frames);
        if (scanned != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(scanned);
        if (frames.empty())
            return kw5::kS_FALSE;

        LocalRecords local;
        return handFirst(makeBinaryStruct(frames, local.records), local, *value);
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::PutBinaryFromDesc(const KW5WString& frameId, const KW5WString& desc,
                                      _StructBinVal* const& value, const unsigned char& flags) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        if (openMode == KW5_OPEN_READONLY)
            return KW5ErrorReturnHRESULT(KW5_FILE_RET_READ_ONLY);
        std::string narrowId;
        if (!kw5platform::convertToNarrow(frameId, narrowId))
            return kw5::kE_FAIL;
        if (narrowId != "GEOB")
            return kw5::kE_INVALIDARG;
        std::string narrowDesc;
        if (!kw5platform::convertToNarrow(desc, narrowDesc))
            return kw5::kE_FAIL;

        // Removal and insertion on a copy that replaces the tag on success.
        KW5TagTransaction edit(tag, modified);
        _KW5_FILE_RET removed = tag->removeFramesById(narrowId, narrowDesc, openMode);
        if (removed == KW5_FILE_RET_OK)
            modified = 1;
        else if (removed != KW5_FILE_RET_NOT_FOUND)
            return KW5ErrorReturnHRESULT(removed);
        if (value == nullptr) {
            edit.commit();
            return kw5::kS_OK;
        }

        std::vector<unsigned char> block;
        _KW5_FILE_RET copied = copyHostBytes(value->data, value->dataSize, block);
        if (copied != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(copied);
        const unsigned short frameFlags =
            checkCanWriteFrame(narrowId, narrowDesc) ? kProtectedObjectFlags : flags;
        KW5Frame frame;
        LONG built = makeBinaryFrame(narrowId, 0, value->mimeType, narrowDesc, frameFlags,
                                     block.data(), value->dataSize, frame);
        if (built < 0)
            return built;

        _KW5_FILE_RET added = tag->addFrames(KW5FrameList(1, frame));
        if (added != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(added);
        modified = 1;
        edit.commit();
        return kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

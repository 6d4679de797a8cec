// The direct file scan of KW5Tag: finds frames in the tag of a file without
// loading the tag, for lookups that need no open tag.
#include "tag/KW5Tag.h"

#include "fields/KW5Field.h"
#include "platform/File.h"
#include "tag/KW5FrameHeader.h"
#include "tag/KW5FrameWalk.h"

#include <cstring>
#include <new>

namespace {

const ULONG kIdLength = 4;
// A tag smaller than this cannot hold a single frame with a body.
const uint64_t kSmallestScannedTag = 20;

// The tag size from the file's first 10 bytes. A tag whose frames do not
// start right after the header (unsynchronised, or with an extended header)
// counts as none.
uint64_t tagSizeOf(kw5platform::File& file) {
    unsigned char bytes[KW5TagHeader::kLength];
    uint32_t got = 0;
    if (!file.read(bytes, KW5TagHeader::kLength, got))
        return 0;
    KW5TagHeader header;
    if (header.setFromBytes(bytes, got) != KW5_FILE_RET_OK || !header.flagsAccepted())
        return 0;
    return KW5TagHeader::tagSizeOf(bytes, got);
}

_KW5_FILE_RET scanFrames(kw5platform::File& file, const std::string& frameId,
                         const std::string& description, KW5FrameList& frames) {
    const uint64_t tagSize = tagSizeOf(file);
    if (tagSize < kSmallestScannedTag)
        return KW5_FILE_RET_INVALID_DATA;
    uint64_t fileSize = 0;
    if (!file.size(fileSize) || !file.seek(KW5TagHeader::kLength))
        return KW5_FILE_RET_FILE_READ_ERROR;

    // The wanted id as the four bytes it has in a frame header.
    unsigned char wantedId[kIdLength] = {0, 0, 0, 0};
    std::memcpy(wantedId, frameId.data(), frameId.size() < kIdLength ? frameId.size() : kIdLength);

    uint64_t position = KW5TagHeader::kLength;
    while (position < tagSize) {
        unsigned char headerBytes[KW5FrameHeader::kLength];
        uint32_t got = 0;
        if (!file.read(headerBytes, KW5FrameHeader::kLength, got) || got != KW5FrameHeader::kLength)
            return KW5_FILE_RET_FILE_READ_ERROR;
        if (kw5walk::paddingStartsAt(headerBytes, KW5FrameHeader::kLength, 0))
            break;

        KW5FrameHeader header;
        _KW5_FILE_RET ret = header.setFromBytes(headerBytes, KW5FrameHeader::kLength);
        if (ret != KW5_FILE_RET_OK)
            return ret;
        position += KW5FrameHeader::kLength;
        ULONG bodySize = 0;
        ret = header.getSize(bodySize);
        if (ret != KW5_FILE_RET_OK)
            return ret;

        if (std::memcmp(headerBytes, wantedId, kIdLength) != 0) {
            if (!file.skip(bodySize))
                return KW5_FILE_RET_FILE_READ_ERROR;
        } else {
            // A body that the file cannot hold would be a short read; refuse
            // it before allocating room for it.
            if (position + bodySize > fileSize)
                return KW5_FILE_RET_FILE_READ_ERROR;
            std::vector<unsigned char> bytes(bodySize);
            if (bodySize != 0 && (!file.read(bytes.data(), bodySize, got) || got != bodySize))
                return KW5_FILE_RET_FILE_READ_ERROR;
            KW5Field body;
            ret = body.setBytes(bytes.data(), bodySize);
            if (ret != KW5_FILE_RET_OK)
                return ret;
            std::string id;
            ret = header.getId(id);
            if (ret != KW5_FILE_RET_OK)
                return ret;
            std::string own;
            ret = body.getDescription(id, own);
            if (ret != KW5_FILE_RET_OK)
                return ret;

            const bool wanted = description.empty() ? own.empty() : own == description;
            if (wanted) {
                KW5Frame frame;
                ret = frame.setFrame(header, body);
                if (ret != KW5_FILE_RET_OK)
                    return ret;
                frames.push_back(frame);
                // A description names one frame; without one, all count.
                if (!description.empty())
                    break;
            }
        }
        position += bodySize;
    }
    return KW5_FILE_RET_OK;
}

} // namespace

_KW5_FILE_RET KW5Tag::scanFileFrames(const KW5WString& path, const std::string& frameId,
                                     const std::string& description, KW5FrameList& frames) {
    kw5platform::File file;
    if (!file.open(path, kw5platform::OpenPurpose::ReadShareAll))
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    _KW5_FILE_RET ret;
    try {
        ret = scanFrames(file, frameId, description, frames);
    } catch (const std::bad_alloc&) {
        ret = KW5_FILE_RET_OUT_OF_MEMORY;
    }
    file.close();
    return ret;
}

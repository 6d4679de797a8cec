// The frame listing of the C interface: every frame the open tag holds, with
// its header fields, description and decoded text.
#include "facade/KW5CHandle.h"

#include "facade/KW5CBlock.h"
#include "facade/KW5IdTables.h"
#include "kw5/HResult.h"
#include "platform/CodePage.h"
#include "storage/KW5File.h"
#include "tag/KW5Frame.h"
#include "tag/KW5FrameHeader.h"
#include "tag/KW5FrameWalk.h"
#include "tag/KW5Tag.h"
#include "tag/KW5TagHeader.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// Kinds whose body starts with a text-encoding byte: text frames, the user
// URL frame, and the object, comment, lyrics and picture frames.
bool hasEncodingByte(const std::string& frameId) {
    static const char* const kinds[] = {"WXXX", "GEOB", "COMM", "USLT", "APIC",
                                        "IPLS", "USER", "OWNE", "SYLT"};
    if (frameId.size() == 4 && frameId[0] == 'T')
        return true;
    for (const char* kind : kinds)
        if (frameId == kind)
            return true;
    return false;
}

struct Entry {
    const KW5Frame* frame = nullptr;
    std::string id;
    std::string description;
    bool listed = false;
};

template <class Map> void collect(const Map& map, std::vector<Entry>& entries) {
    for (const auto& item : map) {
        Entry entry;
        entry.frame = &item.second;
        entries.push_back(entry);
    }
}

// A frame whose description cannot be read (one the store keeps aside) is
// matched by its id alone.
void describe(const KW5Frame& frame, Entry& entry) {
    if (frame.getDescription(entry.id, entry.description) != KW5_FILE_RET_OK) {
        entry.description.clear();
        frame.getFrameId(entry.id);
    }
}

// The frames of the tag region in image order, as (id, description, frame);
// a walk that meets damage (or a frame whose id starts with a zero byte)
// stops there.
void walkImage(const std::vector<unsigned char>& image, std::vector<Entry>& walked) {
    const ULONG length = static_cast<ULONG>(image.size());
    ULONG position = KW5TagHeader::kLength;
    for (;;) {
        KW5FrameHeader header;
        KW5Field body;
        bool atEnd = false;
        if (kw5walk::nextFrame(image.data(), length, position, header, body, atEnd) !=
                KW5_FILE_RET_OK ||
            atEnd || header.isEmpty())
            return;
        Entry entry;
        if (header.getId(entry.id) != KW5_FILE_RET_OK || entry.id.empty())
            return;
        if (body.getDescription(entry.id, entry.description) != KW5_FILE_RET_OK)
            entry.description.clear();
        walked.push_back(entry);
    }
}

} // namespace

bool KW5Lib::putBinaryLeavesRecords(LONG frameIndex, LONG descIndex, size_t count) {
    if (!tag || openMode == KW5_OPEN_READONLY)
        return true;
    std::string frameId;
    std::string desc;
    if (!convertKw5Id(frameIndex, descIndex, frameId, desc))
        return false;
    return !isNumberedDesc(descIndex) && count >= 2;
}

LONG KW5Lib::listFrames(KW5FrameInfoList*& list) {
    list = nullptr;
    if (!tag)
        return kw5::kE_FAIL;

    std::vector<Entry> held;
    collect(tag->store().singleFrames(), held);
    collect(tag->store().objectFrames(), held);
    collect(tag->store().linkFrames(), held);
    for (const KW5Frame& frame : tag->store().keptFrames()) {
        Entry entry;
        entry.frame = &frame;
        held.push_back(entry);
    }
    for (Entry& entry : held)
        describe(*entry.frame, entry);

    // The order of the source: the file as it is now, or the opened image.
    std::vector<unsigned char> image = openedImage;
    if (!path.empty()) {
        KW5File file;
        if (file.read(path, KW5_OPEN_READONLY) == KW5_FILE_RET_OK)
            image = file.buffer();
    }
    std::vector<Entry> walked;
    walkImage(image, walked);

    std::vector<const Entry*> ordered;
    for (const Entry& source : walked) {
        for (Entry& entry : held) {
            if (!entry.listed && entry.id == source.id && entry.description == source.description) {
                entry.listed = true;
                ordered.push_back(&entry);
                break;
            }
        }
    }
    for (Entry& entry : held)
        if (!entry.listed)
            ordered.push_back(&entry);

    // Descriptions and values as host text.
    std::vector<KW5WString> descriptions(ordered.size());
    std::vector<KW5WString> values(ordered.size());
    std::vector<bool> hasValue(ordered.size(), false);
    for (size_t i = 0; i < ordered.size(); ++i) {
        const Entry& entry = *ordered[i];
        if (!entry.description.empty() &&
            !kw5platform::convertToWide(entry.description, descriptions[i]))
            return kw5::kE_FAIL;
        if (!entry.id.empty() && (entry.id[0] == 'T' || entry.id[0] == 'W')) {
            std::vector<KW5WString> decoded;
            if (makeVWstr(KW5FrameList(1, *entry.frame), decoded) == kw5::kS_OK &&
                decoded.size() == 1) {
                values[i].swap(decoded.front());
                hasValue[i] = true;
            }
        }
    }

    KW5CBlock block;
    const size_t head = block.reserve(sizeof(KW5FrameInfoList), alignof(KW5FrameInfo));
    const size_t infos =
        block.reserve(sizeof(KW5FrameInfo) * ordered.size(), alignof(KW5FrameInfo));
    std::vector<size_t> descAt(ordered.size());
    std::vector<size_t> valueAt(ordered.size());
    for (size_t i = 0; i < ordered.size(); ++i) {
        descAt[i] = block.reserveText(descriptions[i]);
        if (hasValue[i])
            valueAt[i] = block.reserveText(values[i]);
    }
    if (block.allocate() != KW5_FILE_RET_OK)
        return kw5::kE_OUTOFMEMORY;

    KW5FrameInfo* out = block.at<KW5FrameInfo>(infos);
    for (size_t i = 0; i < ordered.size(); ++i) {
        const Entry& entry = *ordered[i];
        KW5FrameHeader header;
        ULONG size = 0;
        uint16_t flags = 0;
        if (entry.frame->getHeader(header) != KW5_FILE_RET_OK ||
            header.getFlags(flags) != KW5_FILE_RET_OK || header.getSize(size) != KW5_FILE_RET_OK)
            return kw5::kE_FAIL;
        KW5FrameInfo& info = out[i];
        std::memcpy(info.id, entry.id.data(), entry.id.size() < 4 ? entry.id.size() : 4);
        info.flags = flags;
        info.size = size;
        info.encoding = KW5_NO_ENCODING;
        unsigned char encoding = 0;
        if (hasEncodingByte(entry.id) && entry.frame->getEncoding(encoding) == KW5_FILE_RET_OK)
            info.encoding = encoding;
        info.description = block.putText(descAt[i], descriptions[i]);
        info.descriptionLength = static_cast<uint32_t>(descriptions[i].size());
        if (hasValue[i]) {
            info.value = block.putText(valueAt[i], values[i]);
            info.valueLength = static_cast<uint32_t>(values[i].size());
        }
    }
    KW5FrameInfoList* header = block.at<KW5FrameInfoList>(head);
    header->count = static_cast<uint32_t>(ordered.size());
    header->frames = out;
    list = reinterpret_cast<KW5FrameInfoList*>(block.release());
    return ordered.empty() ? kw5::kS_FALSE : kw5::kS_OK;
}

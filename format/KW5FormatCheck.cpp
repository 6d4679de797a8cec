#include "format/KW5FormatCheck.h"

#include "format/KW5Format.h"
#include "support/KW5Log.h"
#include "tag/KW5FrameHeader.h"
#include "tag/KW5FrameKinds.h"
#include "tag/KW5FrameWalk.h"
#include "tag/KW5NumberedSeries.h"
#include "tag/KW5Tag.h"

namespace {

const char kObjectFrameId[] = "GEOB";

} // namespace

_KW5_FILE_RET KW5FormatCheck::lookupKey(const KW5Tag& tag, const FormatKey& key,
                                        KW5FrameList& frames) {
    if (key.series == 0)
        return tag.findFramesById(key.frameId, key.description, frames);
    if (key.series != 1)
        return KW5_FILE_RET_INVALID_PARAMETER;

    const size_t before = frames.size();
    _KW5_FILE_RET ret = kw5series::find(tag, key.frameId, key.description, frames);
    if (ret != KW5_FILE_RET_NOT_FOUND)
        return ret;
    return frames.size() > before ? KW5_FILE_RET_OK : KW5_FILE_RET_NOT_FOUND;
}

_KW5_FILE_RET KW5FormatCheck::findKeyObjects(const unsigned char* image, ULONG length,
                                             const KW5FormatMark& mark) {
    KW5Tag tag;
    _KW5_FILE_RET ret = tag.load(image, length);
    KW5FrameList objects;
    if (ret == KW5_FILE_RET_OK)
        ret = tag.findFramesById(kObjectFrameId, mark.objectDescription, objects);
    if (ret == KW5_FILE_RET_NOT_FOUND)
        return judgeKeyObjects(0, mark);
    if (ret != KW5_FILE_RET_OK) {
        writeLog(mark.checkErrorLine);
        return ret;
    }
    std::size_t count = countObjects(image, length, mark.objectDescription);
    if (count < objects.size())
        count = objects.size();
    return judgeKeyObjects(count, mark);
}

_KW5_FILE_RET KW5FormatCheck::judgeKeyObjects(std::size_t count, const KW5FormatMark& mark) {
    const KW5MarkOutcome& outcome = count == 0 ? mark.absent : count == 1 ? mark.once : mark.many;
    if (outcome.logLine != nullptr)
        writeLog(outcome.logLine);
    return outcome.result;
}

std::size_t KW5FormatCheck::countObjects(const unsigned char* image, ULONG length,
                                         const std::string& description) {
    std::size_t count = 0;
    ULONG position = KW5TagHeader::kLength;
    for (;;) {
        KW5Frame frame;
        bool atEnd = false;
        if (readNextFrame(image, length, position, frame, atEnd) != KW5_FILE_RET_OK || atEnd)
            break;
        std::string frameId;
        std::string frameDescription;
        if (frame.getFrameId(frameId) != KW5_FILE_RET_OK || frameId != kObjectFrameId)
            continue;
        if (frame.getDescription(frameId, frameDescription) == KW5_FILE_RET_OK &&
            frameDescription == description)
            ++count;
    }
    return count;
}

namespace {

// Calls visit for every frame found under the keys, in key order, until it
// answers anything but KW5_FILE_RET_OK.
template <class Visit>
_KW5_FILE_RET visitKeyFrames(const KW5Tag& tag, const std::vector<FormatKey>& keys, Visit visit) {
    for (const FormatKey& key : keys) {
        KW5FrameList frames;
        _KW5_FILE_RET ret = KW5FormatCheck::lookupKey(tag, key, frames);
        if (ret == KW5_FILE_RET_NOT_FOUND)
            continue;
        for (size_t i = 0; ret == KW5_FILE_RET_OK && i < frames.size(); ++i)
            ret = visit(frames[i]);
        if (ret != KW5_FILE_RET_OK)
            return ret;
    }
    return KW5_FILE_RET_OK;
}

} // namespace

_KW5_FILE_RET KW5FormatCheck::checkKeySizes(const KW5Tag& tag,
                                            const std::vector<FormatKey>& priorityKeys) {
    return visitKeyFrames(tag, priorityKeys, [](const KW5Frame& frame) {
        std::string frameId;
        std::string description;
        _KW5_FILE_RET ret = frame.getDescription(frameId, description);
        ULONG payloadSize = 0;
        if (ret == KW5_FILE_RET_OK)
            ret = frame.getPayloadSize(payloadSize);
        if (ret == KW5_FILE_RET_OK && payloadSize > kw5kinds::kPriorityMaxBytes)
            ret = KW5_FILE_RET_FORMAT_FRAME_TOO_LARGE;
        return ret;
    });
}

_KW5_FILE_RET KW5FormatCheck::collectKeyFrames(const KW5Tag& tag,
                                               const std::vector<FormatKey>& keys,
                                               std::vector<FormatKey>& expected) {
    return visitKeyFrames(tag, keys, [&](const KW5Frame& frame) {
        // The frame's own id: a "TXXX" key may find a "WXXX" frame that
        // shares its description.
        FormatKey found{0, std::string(), std::string()};
        _KW5_FILE_RET ret = frame.getDescription(found.frameId, found.description);
        if (ret == KW5_FILE_RET_OK)
            expected.push_back(found);
        return ret;
    });
}

_KW5_FILE_RET KW5FormatCheck::checkKeyOrder(const unsigned char* image, ULONG length,
                                            const std::vector<FormatKey>& expected) {
    ULONG position = KW5TagHeader::kLength;
    for (const FormatKey& entry : expected) {
        KW5Frame frame;
        bool atEnd = false;
        _KW5_FILE_RET ret = readNextFrame(image, length, position, frame, atEnd);
        if (ret != KW5_FILE_RET_OK)
            return ret;
        if (atEnd)
            break;
        std::string frameId;
        ret = frame.getFrameId(frameId);
        if (ret != KW5_FILE_RET_OK)
            return ret;
        if (frameId != entry.frameId)
            return KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT;
        if (entry.description.empty())
            continue;
        std::string description;
        ret = frame.getDescription(frameId, description);
        if (ret != KW5_FILE_RET_OK)
            return ret;
        if (description != entry.description)
            return KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FormatCheck::readNextFrame(const unsigned char* image, ULONG length,
                                            ULONG& position, KW5Frame& frame, bool& atEnd) {
    KW5FrameHeader header;
    KW5Field body;
    _KW5_FILE_RET ret = kw5walk::nextFrame(image, length, position, header, body, atEnd);
    if (ret != KW5_FILE_RET_OK || atEnd)
        return ret;
    return frame.setFrame(header, body);
}

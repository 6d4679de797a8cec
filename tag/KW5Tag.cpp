#include "tag/KW5Tag.h"

#include "fields/KW5Field.h"
#include "support/KW5Log.h"
#include "tag/KW5FrameHeader.h"
#include "tag/KW5FrameKinds.h"
#include "tag/KW5FrameWalk.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <utility>

namespace {

// Reads what a frame is filed under. keep is set for a user frame that no
// description can reach: sealed (compressed, encrypted), empty, described
// with nothing, or described with text the thread's code page would change.
// Such a frame is kept apart and written back as it is.
_KW5_FILE_RET classifyFrame(const KW5FrameHeader& header, const unsigned char* body, ULONG bodySize,
                            std::string& frameId, std::string& description, bool& keep) {
    keep = false;
    _KW5_FILE_RET ret = header.getId(frameId);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    const bool keyed = kw5kinds::isKeyedByDescription(frameId);
    if (keyed && (header.hasSealedBody() || bodySize == 0)) {
        keep = true;
        return KW5_FILE_RET_OK;
    }
    bool exact = true;
    ret = KW5Field::describeBytes(body, bodySize, frameId, description, &exact);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    keep = keyed && (description.empty() || !exact);
    return KW5_FILE_RET_OK;
}

// Why a tag header is not read, for the log.
const char* headerRefusal(const KW5TagHeader& header) {
    if (!header.magicAccepted())
        return "no tag";
    if (!header.versionAccepted())
        return "version is not 3.0";
    return (header.bytes()[5] & 0x80) != 0 ? "unsynchronisation" : "extended header";
}

// Why a frame is not read, for the log.
const char* frameRefusal(const std::string& frameId, const unsigned char* body, ULONG bodySize,
                         _KW5_FILE_RET ret) {
    if (ret == KW5_FILE_RET_INVALID_PARAMETER && !kw5kinds::isKeyedByDescription(frameId))
        return "unknown frame id";
    if (bodySize != 0 && body[0] > 2)
        return "text encoding 3 or above";
    return "unreadable description";
}

std::string frameName(const std::string& frameId, const std::string& description, ULONG offset) {
    std::string name = frameId;
    if (kw5kinds::isKeyedByDescription(frameId))
        name += " \"" + description + "\"";
    return name + " at " + std::to_string(offset);
}

} // namespace

KW5Tag::KW5Tag() : store_(new KW5DataBase()), tagSize_(0) {
    header_.reset();
}

KW5Tag::~KW5Tag() {
    reset();
}

KW5Tag::KW5Tag(const KW5Tag& other)
    : header_(other.header_), store_(new KW5DataBase(*other.store_)), tagSize_(other.tagSize_),
      conflicts_(other.conflicts_) {}

KW5Tag& KW5Tag::operator=(const KW5Tag& other) {
    if (this == &other)
        return *this;
    // Copy before letting go of our own, so a failed copy changes nothing.
    KW5TagHeader header(other.header_);
    std::unique_ptr<KW5DataBase> store(new KW5DataBase(*other.store_));
    std::vector<KW5LoadConflict> conflicts(other.conflicts_);
    reset();
    header_ = std::move(header);
    store_ = std::move(store);
    tagSize_ = other.tagSize_;
    conflicts_.swap(conflicts);
    return *this;
}

_KW5_FILE_RET KW5Tag::reset() {
    header_.reset();
    tagSize_ = 0;
    conflicts_.clear();
    return store_->clearFrames();
}

_KW5_FILE_RET KW5Tag::load(const unsigned char* image, ULONG length,
                           const std::shared_ptr<const void>& owner) {
    reset();
    if (length == 0)
        return KW5_FILE_RET_OK;
    _KW5_FILE_RET ret = parse(image, length, owner);
    if (ret == KW5_FILE_RET_OK)
        tagSize_ = length;
    return ret;
}

_KW5_FILE_RET KW5Tag::parse(const unsigned char* image, ULONG length,
                            const std::shared_ptr<const void>& owner) {
    return parseFrames(image, length, false, owner);
}

_KW5_FILE_RET KW5Tag::parseFrames(const unsigned char* image, ULONG length, bool strictEncoding,
                                  const std::shared_ptr<const void>& owner) {
    _KW5_FILE_RET ret = header_.setFromBytes(image, length);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    if (!header_.isValid()) {
        writeLog("KW5Tag: not read, %s", headerRefusal(header_));
        return KW5_FILE_RET_INVALID_PARAMETER;
    }
    if (length <= KW5TagHeader::kLength)
        return KW5_FILE_RET_OK;

    bool wrongEncoding = false;
    ULONG position = KW5TagHeader::kLength;
    // Where the frame last filed under each store key stood, to name both in
    // a conflict; names are made only for conflicts.
    struct Filed {
        std::string frameId;
        std::string description;
        ULONG offset;
    };
    std::map<std::string, Filed> filed;
    for (;;) {
        const ULONG offset = position;
        KW5FrameHeader header;
        ULONG bodyAt = 0;
        ULONG bodySize = 0;
        bool atEnd = false;
        ret = kw5walk::nextFrameAt(image, length, position, header, bodyAt, bodySize, atEnd);
        if (ret == KW5_FILE_RET_NULL_POINTER)
            return ret;
        if (ret != KW5_FILE_RET_OK) {
            writeLog("KW5Tag: not read, the frame at %lu runs past the end of the tag",
                     static_cast<unsigned long>(offset));
            return ret;
        }
        if (atEnd)
            break;
        if (header.isEmpty())
            return KW5_FILE_RET_INVALID_DATA;
        std::string frameId;
        ret = header.getId(frameId);
        if (ret != KW5_FILE_RET_OK)
            return ret;

        // The GM variant writes every text-bearing body in encoding 2; plain
        // URL frames carry no encoding byte.
        const bool plainUrl = !frameId.empty() && frameId[0] == 'W' && frameId != "WXXX";
        if (strictEncoding && !plainUrl) {
            if (bodySize == 0)
                return KW5_FILE_RET_FAILED;
            if (image[bodyAt] != 2)
                wrongEncoding = true;
        }

        std::string description;
        bool keep = false;
        const unsigned char* body = image + bodyAt;
        ret = classifyFrame(header, body, bodySize, frameId, description, keep);
        if (ret != KW5_FILE_RET_OK) {
            writeLog("KW5Tag: not read, frame %s at %lu: %s", frameId.c_str(),
                     static_cast<unsigned long>(offset),
                     frameRefusal(frameId, body, bodySize, ret));
            return ret;
        }
        // A body stays where it lies in an image that has an owner (a file
        // read); otherwise it is copied once into a block of its own.
        KW5Frame frame;
        if (owner) {
            ret = frame.setFrameView(header, owner, body, bodySize);
        } else {
            KW5Field copy;
            ret = copy.setBytes(body, bodySize);
            if (ret == KW5_FILE_RET_OK)
                ret = frame.setFrame(header, std::move(copy));
        }
        if (ret != KW5_FILE_RET_OK)
            return ret;
        if (keep) {
            ret = store_->keepFrame(std::move(frame));
        } else {
            bool replaced = false;
            ret = store_->addFrame(frameId, description, std::move(frame), &replaced);
            std::string key = KW5DataBase::storeKey(frameId, description);
            if (replaced) {
                auto last = filed.find(key);
                std::string names = frameName(frameId, description, offset);
                if (last != filed.end())
                    names = frameName(last->second.frameId, last->second.description,
                                      last->second.offset) +
                            ", " + names;
                conflicts_.push_back({key, names});
            }
            filed[std::move(key)] = {std::move(frameId), std::move(description), offset};
        }
        if (ret != KW5_FILE_RET_OK)
            return ret;
    }
    return wrongEncoding ? KW5_FILE_RET_FORMAT_WRONG_ENCODING : KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Tag::getTagSize(ULONG& size) const {
    size = tagSize_;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Tag::getHeader(KW5TagHeader& header) const {
    try {
        header = header_;
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Tag::addFrames(const KW5FrameList& frames) {
    for (const KW5Frame& frame : frames) {
        std::string frameId;
        std::string description;
        bool keep = false;
        _KW5_FILE_RET ret = describeFrame(frame, frameId, description, keep);
        if (ret != KW5_FILE_RET_OK)
            return ret;
        if (keep) {
            ret = store_->keepFrame(KW5Frame(frame));
        } else {
            ret = store_->addFrame(frameId, description, frame);
            if (ret == KW5_FILE_RET_OK)
                resolveConflicts(KW5DataBase::storeKey(frameId, description));
        }
        if (ret != KW5_FILE_RET_OK)
            return ret;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Tag::describeFrame(const KW5Frame& frame, std::string& frameId,
                                    std::string& description, bool& kept) {
    // Read where the body lies.
    KW5FrameHeader header;
    if (frame.headerLength() != KW5FrameHeader::kLength)
        return KW5_FILE_RET_INVALID_PARAMETER;
    _KW5_FILE_RET ret = frame.getHeader(header);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    return classifyFrame(header, frame.bodyData(), frame.bodyLength(), frameId, description, kept);
}

void KW5Tag::resolveConflicts(const std::string& storeKey) {
    conflicts_.erase(
        std::remove_if(conflicts_.begin(), conflicts_.end(),
                       [&](const KW5LoadConflict& c) { return c.storeKey == storeKey; }),
        conflicts_.end());
}

_KW5_FILE_RET KW5Tag::findFramesById(const std::string& frameId, const std::string& description,
                                     KW5FrameList& frames) const {
    if (frameId.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    return store_->findFrames(frameId, description, frames);
}

_KW5_FILE_RET KW5Tag::removeFramesById(const std::string& frameId, const std::string& description,
                                       LONG openMode) {
    if (frameId.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    _KW5_FILE_RET ret = store_->removeFrames(frameId, description, openMode);
    if (ret == KW5_FILE_RET_OK)
        resolveConflicts(KW5DataBase::storeKey(frameId, description));
    return ret;
}

_KW5_FILE_RET KW5Tag::serializeFramesSTD(KW5SerializedFrames& out) {
    return serializeFrames(&KW5DataBase::popNextFrameSTD, out);
}

_KW5_FILE_RET KW5Tag::serializeFramesGM(KW5SerializedFrames& out) {
    return serializeFrames(&KW5DataBase::popNextFrameGM, out);
}

_KW5_FILE_RET KW5Tag::serializeFramesPrask(KW5SerializedFrames& out) {
    return serializeFrames(&KW5DataBase::popNextFramePrask, out);
}

_KW5_FILE_RET KW5Tag::takeFramesSTD(KW5FrameList& out, ULONG& total) {
    return takeFrames(&KW5DataBase::popNextFrameSTD, out, total);
}

_KW5_FILE_RET KW5Tag::takeFramesGM(KW5FrameList& out, ULONG& total) {
    return takeFrames(&KW5DataBase::popNextFrameGM, out, total);
}

_KW5_FILE_RET KW5Tag::takeFramesPrask(KW5FrameList& out, ULONG& total) {
    return takeFrames(&KW5DataBase::popNextFramePrask, out, total);
}

_KW5_FILE_RET KW5Tag::takeFrames(PopOperation pop, KW5FrameList& out, ULONG& total) {
    KW5FrameList().swap(out);
    total = 0;
    // A frame the load had to drop would be gone from the file for good.
    if (!conflicts_.empty()) {
        for (const KW5LoadConflict& conflict : conflicts_)
            writeLog("KW5Tag: not written, frames under one key: %s", conflict.frames.c_str());
        return KW5_FILE_RET_INVALID_DATA;
    }
    for (;;) {
        KW5Frame frame;
        // Only an empty store ends the list. A frame whose treatment failed
        // has still left the store and goes out with the bytes it has, so
        // that no frame is dropped from the written tag.
        const _KW5_FILE_RET popped = (store_.get()->*pop)(frame);
        if (popped == KW5_FILE_RET_NOT_FOUND)
            return KW5_FILE_RET_OK;
        // Without memory (or a working buffer) the frame could not be
        // treated as the variant asks; no tag is better than a different one.
        _KW5_FILE_RET ret = popped;
        if (popped != KW5_FILE_RET_OUT_OF_MEMORY && popped != KW5_FILE_RET_BUFFER_ERROR) {
            // Lengths and the total are 32-bit; refuse what would wrap.
            const uint64_t length = uint64_t(frame.bodyLength()) + KW5FrameHeader::kLength;
            if (frame.headerLength() != KW5FrameHeader::kLength)
                ret = KW5_FILE_RET_INVALID_PARAMETER;
            else if (uint64_t(total) + length > 0xFFFFFFFFu)
                ret = KW5_FILE_RET_TAG_TOO_LARGE;
            else {
                try {
                    out.push_back(std::move(frame));
                    total += static_cast<ULONG>(length);
                    ret = KW5_FILE_RET_OK;
                } catch (const std::bad_alloc&) {
                    ret = KW5_FILE_RET_OUT_OF_MEMORY;
                }
            }
        }
        if (ret != KW5_FILE_RET_OK) {
            KW5FrameList().swap(out);
            total = 0;
            return ret;
        }
    }
}

_KW5_FILE_RET KW5Tag::serializeFrames(PopOperation pop, KW5SerializedFrames& out) {
    releaseFrameBuffers(out);
    KW5FrameList frames;
    ULONG total = 0;
    _KW5_FILE_RET ret = takeFrames(pop, frames, total);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    try {
        out.buffers.reserve(frames.size());
        out.lengths.reserve(frames.size());
        for (KW5Frame& frame : frames) {
            const ULONG length = frame.headerLength() + frame.bodyLength();
            std::vector<unsigned char> buffer(length);
            std::memcpy(buffer.data(), frame.headerBytes().data(), KW5FrameHeader::kLength);
            if (frame.bodyLength() != 0)
                std::memcpy(buffer.data() + KW5FrameHeader::kLength, frame.bodyData(),
                            frame.bodyLength());
            // Each body is held once: the frame lets go of it as soon as
            // its buffer is made.
            frame.clear();
            out.buffers.push_back(std::move(buffer));
            out.lengths.push_back(length);
        }
    } catch (const std::bad_alloc&) {
        releaseFrameBuffers(out);
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    out.total = total;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Tag::releaseFrameBuffers(KW5SerializedFrames& frames) {
    std::vector<std::vector<unsigned char>>().swap(frames.buffers);
    frames.lengths.clear();
    frames.total = 0;
    return KW5_FILE_RET_OK;
}

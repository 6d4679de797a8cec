#include "tag/KW5Tag.h"

#include "fields/KW5Field.h"
#include "tag/KW5FrameHeader.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

// Frames start right after the tag header; the first two bytes of a frame
// position that are zero mark the start of the padding.
const ULONG kFirstFramePosition = KW5TagHeader::kLength;
const ULONG kPaddingProbeLength = 2;

bool paddingStartsAt(const unsigned char* image, ULONG length, ULONG position) {
    const ULONG remaining = length - position;
    const ULONG probe = remaining < kPaddingProbeLength ? remaining : kPaddingProbeLength;
    for (ULONG i = 0; i < probe; ++i) {
        if (image[position + i] != 0)
            return false;
    }
    return true;
}

} // namespace

KW5Tag::KW5Tag() : store_(new KW5DataBase()), tagSize_(0) {
    header_.reset();
}

KW5Tag::~KW5Tag() {
    reset();
}

KW5Tag::KW5Tag(const KW5Tag& other)
    : header_(other.header_), store_(new KW5DataBase(*other.store_)), tagSize_(other.tagSize_) {}

KW5Tag& KW5Tag::operator=(const KW5Tag& other) {
    if (this == &other)
        return *this;
    // Copy before letting go of our own, so a failed copy changes nothing.
    KW5TagHeader header(other.header_);
    std::unique_ptr<KW5DataBase> store(new KW5DataBase(*other.store_));
    reset();
    header_ = std::move(header);
    store_ = std::move(store);
    tagSize_ = other.tagSize_;
    return *this;
}

_KW5_FILE_RET KW5Tag::reset() {
    header_.reset();
    tagSize_ = 0;
    return store_->clearFrames();
}

_KW5_FILE_RET KW5Tag::load(const unsigned char* image, ULONG length) {
    reset();
    if (length == 0)
        return KW5_FILE_RET_OK;
    _KW5_FILE_RET ret = parse(image, length);
    if (ret == KW5_FILE_RET_OK)
        tagSize_ = length;
    return ret;
}

_KW5_FILE_RET KW5Tag::parse(const unsigned char* image, ULONG length) {
    return parseFrames(image, length, false);
}

_KW5_FILE_RET KW5Tag::parseFrames(const unsigned char* image, ULONG length, bool strictEncoding) {
    _KW5_FILE_RET ret = header_.setFromBytes(image, length);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    if (!header_.isValid())
        return KW5_FILE_RET_INVALID_PARAMETER;
    if (length <= kFirstFramePosition)
        return KW5_FILE_RET_OK;
    if (image == nullptr)
        return KW5_FILE_RET_NULL_POINTER;

    bool wrongEncoding = false;
    ULONG position = kFirstFramePosition;
    for (;;) {
        if (paddingStartsAt(image, length, position))
            break;

        KW5FrameHeader header;
        KW5Field body;
        ret = KW5Frame::readFrame(image, length, header, body, position);
        if (ret != KW5_FILE_RET_OK)
            return ret;
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
            unsigned char encoding = 0;
            if (body.getFirstByte(encoding) != KW5_FILE_RET_OK)
                return KW5_FILE_RET_FAILED;
            if (encoding != 2)
                wrongEncoding = true;
        }

        std::string description;
        ret = body.getDescription(frameId, description);
        if (ret != KW5_FILE_RET_OK)
            return ret;
        // The body read from the image moves on into the store: a large
        // object is copied once, not once per step.
        KW5Frame frame;
        ret = frame.setFrame(header, std::move(body));
        if (ret != KW5_FILE_RET_OK)
            return ret;
        ret = store_->addFrame(frameId, description, std::move(frame));
        if (ret != KW5_FILE_RET_OK)
            return ret;
        if (position >= length)
            break;
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
        KW5FrameHeader header;
        KW5Field body;
        _KW5_FILE_RET ret = frame.splitFrame(header, body);
        if (ret != KW5_FILE_RET_OK)
            return ret;
        std::string frameId;
        ret = header.getId(frameId);
        if (ret != KW5_FILE_RET_OK)
            return ret;
        std::string description;
        ret = body.getDescription(frameId, description);
        if (ret != KW5_FILE_RET_OK)
            return ret;
        ret = store_->addFrame(frameId, description, frame);
        if (ret != KW5_FILE_RET_OK)
            return ret;
    }
    return KW5_FILE_RET_OK;
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
    return store_->removeFrames(frameId, description, openMode);
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

_KW5_FILE_RET KW5Tag::serializeFrames(PopOperation pop, KW5SerializedFrames& out) {
    releaseFrameBuffers(out);
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
        if (popped == KW5_FILE_RET_OUT_OF_MEMORY || popped == KW5_FILE_RET_BUFFER_ERROR) {
            releaseFrameBuffers(out);
            return popped;
        }

        _KW5_FILE_RET ret = KW5_FILE_RET_OK;
        try {
            KW5FrameHeader header;
            KW5Field body;
            ret = frame.splitFrame(header, body);
            ULONG bodyLength = 0;
            if (ret == KW5_FILE_RET_OK)
                ret = body.getSize(bodyLength);
            // Lengths and the total are 32-bit; refuse what would wrap.
            const uint64_t length = uint64_t(bodyLength) + KW5FrameHeader::kLength;
            if (ret == KW5_FILE_RET_OK && uint64_t(out.total) + length > 0xFFFFFFFFu)
                ret = KW5_FILE_RET_TAG_TOO_LARGE;
            if (ret == KW5_FILE_RET_OK) {
                std::vector<unsigned char> buffer(static_cast<size_t>(length));
                ret = header.copyOut(buffer.data(), KW5FrameHeader::kLength);
                if (ret == KW5_FILE_RET_OK && bodyLength != 0)
                    std::memcpy(buffer.data() + KW5FrameHeader::kLength, body.bytes().data(),
                                bodyLength);
                if (ret == KW5_FILE_RET_OK) {
                    out.buffers.push_back(std::move(buffer));
                    out.lengths.push_back(static_cast<ULONG>(length));
                    out.total += static_cast<ULONG>(length);
                }
            }
        } catch (const std::bad_alloc&) {
            ret = KW5_FILE_RET_OUT_OF_MEMORY;
        }
        if (ret != KW5_FILE_RET_OK) {
            releaseFrameBuffers(out);
            return ret;
        }
    }
}

_KW5_FILE_RET KW5Tag::releaseFrameBuffers(KW5SerializedFrames& frames) {
    std::vector<std::vector<unsigned char>>().swap(frames.buffers);
    frames.lengths.clear();
    frames.total = 0;
    return KW5_FILE_RET_OK;
}

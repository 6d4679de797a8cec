#include "storage/KW5TagPieces.h"

#include "storage/KW5TagSizing.h"
#include "tag/KW5FrameHeader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace kw5storage {

namespace {

// Pieces below this size are gathered; a body of this size or more is
// written where it lies (one more copy of it would cost more than the
// system call saved).
const size_t kGatherBytes = 1024 * 1024;

class Gather {
public:
    explicit Gather(kw5platform::File& file) : file_(file), used_(0), failed_(false) {
        buffer_.reset(new (std::nothrow) unsigned char[kGatherBytes]);
        if (!buffer_) {
            kw5platform::setLastError(kw5platform::kErrorNotEnoughMemory);
            failed_ = true;
        }
    }

    void put(const unsigned char* bytes, size_t length) {
        if (failed_ || length == 0)
            return;
        if (length >= kGatherBytes) {
            flush();
            writeOut(bytes, length);
            return;
        }
        if (used_ + length > kGatherBytes)
            flush();
        std::memcpy(buffer_.get() + used_, bytes, length);
        used_ += length;
    }

    void putZeros(uint64_t count) {
        while (!failed_ && count != 0) {
            if (used_ == kGatherBytes)
                flush();
            const size_t step =
                static_cast<size_t>(std::min<uint64_t>(count, kGatherBytes - used_));
            std::memset(buffer_.get() + used_, 0, step);
            used_ += step;
            count -= step;
        }
    }

    bool finish() {
        flush();
        return !failed_;
    }

private:
    void flush() {
        if (!failed_ && used_ != 0)
            writeOut(buffer_.get(), used_);
        used_ = 0;
    }

    void writeOut(const unsigned char* bytes, size_t length) {
        while (!failed_ && length != 0) {
            const uint32_t step = static_cast<uint32_t>(std::min<size_t>(length, 1u << 30));
            uint32_t written = 0;
            if (!file_.write(bytes, step, written) || written != step)
                failed_ = true;
            bytes += step;
            length -= step;
        }
    }

    kw5platform::File& file_;
    std::unique_ptr<unsigned char[]> buffer_;
    size_t used_;
    bool failed_;
};

} // namespace

KW5TagPieces::KW5TagPieces() : head_(), padding_(0), size_(0) {}

void KW5TagPieces::clear() {
    KW5FrameList().swap(frames_);
    padding_ = 0;
    size_ = 0;
}

_KW5_FILE_RET KW5TagPieces::set(const KW5TagHeader& tagHeader, KW5FrameList&& frames,
                                uint64_t frameTotal, uint32_t padding) {
    clear();
    KW5TagHeader header(tagHeader);
    if (header.length() != KW5TagHeader::kLength) {
        _KW5_FILE_RET result = header.makeDefault();
        if (result != KW5_FILE_RET_OK)
            return result;
    }
    const uint64_t sizeField = frameTotal + padding;
    if (sizeField > kTagSizeLimit)
        return KW5_FILE_RET_TAG_TOO_LARGE;
    _KW5_FILE_RET result = header.setSize(static_cast<ULONG>(sizeField));
    if (result == KW5_FILE_RET_OK)
        result = header.copyOut(head_, KW5TagHeader::kLength);
    if (result != KW5_FILE_RET_OK)
        return result;
    frames_.swap(frames);
    padding_ = padding;
    size_ = KW5TagHeader::kLength + sizeField;
    return KW5_FILE_RET_OK;
}

bool KW5TagPieces::writeTo(kw5platform::File& file) const {
    Gather out(file);
    out.put(head_, KW5TagHeader::kLength);
    for (const KW5Frame& frame : frames_) {
        out.put(frame.headerBytes().data(), frame.headerLength());
        out.put(frame.bodyData(), frame.bodyLength());
    }
    out.putZeros(padding_);
    return out.finish();
}

} // namespace kw5storage

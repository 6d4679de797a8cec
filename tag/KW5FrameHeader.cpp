#include "tag/KW5FrameHeader.h"

#include "fields/KW5Bytes.h"

#include <cstring>
#include <new>

namespace {

const ULONG kIdOffset = 0;
const ULONG kIdLength = 4;
const ULONG kSizeOffset = 4;
const ULONG kFlagsOffset = 8;

} // namespace

KW5FrameHeader::KW5FrameHeader() {}

KW5FrameHeader::~KW5FrameHeader() {}

_KW5_FILE_RET KW5FrameHeader::reset() {
    std::vector<unsigned char>().swap(bytes_);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FrameHeader::setFromBytes(const unsigned char* bytes, ULONG length) {
    if (bytes == nullptr || length != kLength)
        return KW5_FILE_RET_INVALID_PARAMETER;
    try {
        bytes_.assign(bytes, bytes + kLength);
    } catch (const std::bad_alloc&) {
        bytes_.clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FrameHeader::build(const std::string& frameId, ULONG bodySize, uint16_t flags) {
    if (bytes_.size() != kLength) {
        try {
            bytes_.assign(kLength, 0);
        } catch (const std::bad_alloc&) {
            bytes_.clear();
            return KW5_FILE_RET_BUFFER_ERROR;
        }
    }
    for (ULONG i = 0; i < kIdLength; ++i)
        bytes_[kIdOffset + i] = i < frameId.size() ? static_cast<unsigned char>(frameId[i]) : 0;
    kw5bytes::writeBigEndian32(bodySize, &bytes_[kSizeOffset]);
    bytes_[kFlagsOffset] = static_cast<unsigned char>(flags & 0xFF);
    bytes_[kFlagsOffset + 1] = static_cast<unsigned char>(flags >> 8);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FrameHeader::setSize(ULONG bodySize) {
    if (bytes_.size() != kLength)
        return KW5_FILE_RET_INVALID_DATA;
    kw5bytes::writeBigEndian32(bodySize, &bytes_[kSizeOffset]);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FrameHeader::getId(std::string& frameId) const {
    if (bytes_.size() != kLength)
        return KW5_FILE_RET_INVALID_DATA;
    ULONG n = 0;
    while (n < kIdLength && bytes_[kIdOffset + n] != 0)
        ++n;
    frameId.assign(reinterpret_cast<const char*>(&bytes_[kIdOffset]), n);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FrameHeader::getSize(ULONG& bodySize) {
    if (bytes_.size() != kLength) {
        reset();
        return KW5_FILE_RET_INVALID_DATA;
    }
    bodySize = kw5bytes::readBigEndian32(&bytes_[kSizeOffset]);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FrameHeader::getFlags(uint16_t& flags) const {
    if (bytes_.size() != kLength)
        return KW5_FILE_RET_INVALID_DATA;
    flags = static_cast<uint16_t>(bytes_[kFlagsOffset] | (bytes_[kFlagsOffset + 1] << 8));
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FrameHeader::readOnlyState() const {
    uint16_t flags = 0;
    if (getFlags(flags) != KW5_FILE_RET_OK)
        return KW5_FILE_RET_INVALID_DATA;
    return (flags & kReadOnlyFlag) != 0 ? KW5_FILE_RET_READ_ONLY : KW5_FILE_RET_WRITABLE;
}

_KW5_FILE_RET KW5FrameHeader::copyOut(unsigned char* destination, ULONG length) const {
    if (destination == nullptr || length != bytes_.size())
        return KW5_FILE_RET_INVALID_PARAMETER;
    if (bytes_.empty())
        return KW5_FILE_RET_INVALID_DATA;
    std::memcpy(destination, bytes_.data(), bytes_.size());
    return KW5_FILE_RET_OK;
}

bool KW5FrameHeader::hasSealedBody() const {
    uint16_t flags = 0;
    if (getFlags(flags) != KW5_FILE_RET_OK)
        return false;
    return (flags & (kCompressedFlag | kEncryptedFlag)) != 0;
}

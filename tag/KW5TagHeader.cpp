#include "tag/KW5TagHeader.h"

#include "fields/KW5Bytes.h"

#include <cstring>
#include <new>

namespace {

const unsigned char kDefaultHeader[KW5TagHeader::kLength] = {'k', 'w', '5', 3, 0, 0, 0, 0, 0, 0};

// Offsets within the header.
const ULONG kMagicOffset = 0;
const ULONG kVersionOffset = 3;
const ULONG kRevisionOffset = 4;
const ULONG kFlagsOffset = 5;
const unsigned char kUnsynchronisationFlag = 0x80;
const unsigned char kExtendedHeaderFlag = 0x40;
const ULONG kSizeOffset = 6;

bool knownMagic(const unsigned char* magic) {
    return std::memcmp(magic, "ID3", 3) == 0 || std::memcmp(magic, "kw5", 3) == 0;
}

} // namespace

KW5TagHeader::KW5TagHeader() {}

KW5TagHeader::~KW5TagHeader() {}

_KW5_FILE_RET KW5TagHeader::reset() {
    std::vector<unsigned char>().swap(bytes_);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5TagHeader::makeDefault() {
    try {
        bytes_.assign(kDefaultHeader, kDefaultHeader + kLength);
    } catch (const std::bad_alloc&) {
        bytes_.clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5TagHeader::setFromBytes(const unsigned char* bytes, ULONG length) {
    reset();
    if (bytes == nullptr || length < kLength)
        return makeDefault();
    try {
        bytes_.assign(bytes, bytes + kLength);
    } catch (const std::bad_alloc&) {
        bytes_.clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5TagHeader::setSize(ULONG size) {
    if (bytes_.size() != kLength)
        return KW5_FILE_RET_INVALID_DATA;
    kw5bytes::encodeSyncsafe(size, &bytes_[kSizeOffset]);
    return KW5_FILE_RET_OK;
}

ULONG KW5TagHeader::getSize() const {
    if (bytes_.size() != kLength)
        return 0;
    return kw5bytes::decodeSyncsafe(&bytes_[kSizeOffset]);
}

_KW5_FILE_RET KW5TagHeader::copyOut(unsigned char* destination, ULONG length) const {
    if (length > bytes_.size())
        return KW5_FILE_RET_INVALID_PARAMETER;
    if (length == 0)
        return KW5_FILE_RET_OK;
    if (destination == nullptr)
        return KW5_FILE_RET_NULL_POINTER;
    std::memcpy(destination, bytes_.data(), length);
    return KW5_FILE_RET_OK;
}

ULONG KW5TagHeader::tagSizeOf(const unsigned char* bytes, size_t length) {
    // Allocates nothing: a failed allocation must never read as "no tag".
    if (bytes == nullptr || length < kLength || !knownMagic(bytes + kMagicOffset))
        return 0;
    return kw5bytes::decodeSyncsafe(bytes + kSizeOffset) + kLength;
}

bool KW5TagHeader::magicAccepted() const {
    if (bytes_.size() != kLength)
        return false;
    return knownMagic(&bytes_[kMagicOffset]);
}

bool KW5TagHeader::versionAccepted() const {
    if (bytes_.size() != kLength)
        return false;
    return bytes_[kVersionOffset] == 3 && bytes_[kRevisionOffset] == 0;
}

bool KW5TagHeader::flagsAccepted() const {
    if (bytes_.size() != kLength)
        return false;
    return (bytes_[kFlagsOffset] & (kUnsynchronisationFlag | kExtendedHeaderFlag)) == 0;
}

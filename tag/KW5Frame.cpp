#include "tag/KW5Frame.h"

#include "fields/KW5FieldBase.h"
#include "fields/KW5FieldGEOB.h"
#include "fields/KW5FieldT.h"
#include "fields/KW5FieldTXXX.h"
#include "fields/KW5FieldWXXX.h"
#include "support/KW5Log.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace {

// The text encoding every frame leaves the store in: UTF-16 big-endian.
const unsigned char kWriteEncoding = 2;

} // namespace

KW5Frame::KW5Frame() {}

KW5Frame::~KW5Frame() {}

void KW5Frame::clear() {
    std::vector<unsigned char>().swap(header_);
    std::vector<unsigned char>().swap(body_);
}

_KW5_FILE_RET KW5Frame::setFrame(const KW5FrameHeader& header, const KW5Field& body) {
    clear();
    if (header.isEmpty())
        return KW5_FILE_RET_INVALID_DATA;
    try {
        header_ = header.bytes();
        body_ = body.bytes();
    } catch (const std::bad_alloc&) {
        clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Frame::setFrame(const KW5FrameHeader& header, KW5Field&& body) {
    clear();
    if (header.isEmpty())
        return KW5_FILE_RET_INVALID_DATA;
    try {
        header_ = header.bytes();
    } catch (const std::bad_alloc&) {
        clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    body_ = body.takeBytes();
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Frame::splitFrame(KW5FrameHeader& header, KW5Field& body) const {
    if (header_.size() != KW5FrameHeader::kLength)
        return KW5_FILE_RET_INVALID_PARAMETER;
    _KW5_FILE_RET ret = header.setFromBytes(header_.data(), headerLength());
    if (ret != KW5_FILE_RET_OK)
        return ret;
    return body.setBytes(body_.data(), bodyLength());
}

_KW5_FILE_RET KW5Frame::getHeader(KW5FrameHeader& header) const {
    if (header_.size() != KW5FrameHeader::kLength)
        return KW5_FILE_RET_BAD_LAYOUT;
    return header.setFromBytes(header_.data(), headerLength());
}

_KW5_FILE_RET KW5Frame::readHeader(const unsigned char* image, ULONG length, KW5FrameHeader& header,
                                   ULONG& position) {
    if (image == nullptr)
        return KW5_FILE_RET_NULL_POINTER;
    // The header must end strictly before the image does: a header without
    // even one byte after it is no frame. Sums are taken in 64 bits.
    if (length <= position || uint64_t(length) <= uint64_t(position) + KW5FrameHeader::kLength)
        return KW5_FILE_RET_INVALID_DATA;
    _KW5_FILE_RET ret = header.setFromBytes(image + position, KW5FrameHeader::kLength);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    position += KW5FrameHeader::kLength;
    if (position >= length)
        return KW5_FILE_RET_INVALID_DATA;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Frame::readBody(const unsigned char* image, ULONG length, ULONG bodySize,
                                 KW5Field& body, ULONG& position) {
    if (image == nullptr)
        return KW5_FILE_RET_NULL_POINTER;
    if (length <= position || uint64_t(length) < uint64_t(position) + bodySize)
        return KW5_FILE_RET_INVALID_DATA;
    _KW5_FILE_RET ret = body.setBytes(image + position, bodySize);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    position += bodySize;
    if (position > length)
        return KW5_FILE_RET_INVALID_DATA;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Frame::readFrame(const unsigned char* image, ULONG length, KW5FrameHeader& header,
                                  KW5Field& body, ULONG& position) {
    if (image == nullptr)
        return KW5_FILE_RET_NULL_POINTER;
    if (length <= position)
        return KW5_FILE_RET_INVALID_DATA;
    _KW5_FILE_RET ret = readHeader(image, length, header, position);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    ULONG bodySize = 0;
    ret = header.getSize(bodySize);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    return readBody(image, length, bodySize, body, position);
}

_KW5_FILE_RET KW5Frame::getFrameId(std::string& frameId) const {
    KW5FrameHeader header;
    if (header.setFromBytes(header_.data(), headerLength()) != KW5_FILE_RET_OK)
        return KW5_FILE_RET_INVALID_DATA;
    return header.getId(frameId);
}

_KW5_FILE_RET KW5Frame::getDescription(std::string& frameId, std::string& description) const {
    if (header_.empty() || body_.empty())
        return KW5_FILE_RET_INVALID_DATA;
    _KW5_FILE_RET ret = getFrameId(frameId);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    // Read where the body lies: the store asks this of every object it files.
    return KW5Field::describeBytes(body_, frameId, description);
}

_KW5_FILE_RET KW5Frame::getEncoding(unsigned char& encoding) const {
    if (body_.empty())
        return KW5_FILE_RET_NOT_FOUND;
    encoding = body_[0];
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Frame::getPayloadSize(ULONG& size) const {
    if (body_.empty()) {
        size = 0;
        return KW5_FILE_RET_OK;
    }
    std::string frameId;
    _KW5_FILE_RET ret = getFrameId(frameId);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    KW5Field field;
    ret = field.setBytes(body_.data(), bodyLength());
    if (ret != KW5_FILE_RET_OK)
        return ret;
    return field.getPayloadSize(frameId, size);
}

_KW5_FILE_RET KW5Frame::readOnlyState() const {
    KW5FrameHeader header;
    if (header.setFromBytes(header_.data(), headerLength()) != KW5_FILE_RET_OK)
        return KW5_FILE_RET_INVALID_DATA;
    return header.readOnlyState();
}

bool KW5Frame::hasSealedBody() const {
    KW5FrameHeader header;
    if (header.setFromBytes(header_.data(), headerLength()) != KW5_FILE_RET_OK)
        return false;
    return header.hasSealedBody();
}

_KW5_FILE_RET KW5Frame::checkValueReadable() const {
    if (!hasSealedBody())
        return KW5_FILE_RET_OK;
    std::string frameId;
    getFrameId(frameId);
    writeLog("KW5Frame: %s is compressed or encrypted, its value is not read", frameId.c_str());
    return KW5_FILE_RET_NOT_IMPLEMENTED;
}

_KW5_FILE_RET KW5Frame::normalizeEncoding() {
    if (body_.empty())
        return KW5_FILE_RET_INVALID_DATA;
    KW5FrameHeader header;
    _KW5_FILE_RET ret = header.setFromBytes(header_.data(), headerLength());
    if (ret != KW5_FILE_RET_OK)
        return ret == KW5_FILE_RET_OUT_OF_MEMORY ? ret : KW5_FILE_RET_INVALID_PARAMETER;
    // A compressed or encrypted body goes out exactly as it came in.
    if (header.hasSealedBody())
        return KW5_FILE_RET_OK;
    std::string frameId;
    ret = header.getId(frameId);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    const unsigned char encoding = body_[0];

    if (frameId == "GEOB") {
        if (encoding == kWriteEncoding)
            return KW5_FILE_RET_OK;
        if (encoding > kWriteEncoding)
            return KW5_FILE_RET_INVALID_PARAMETER;
        KW5FieldGEOB codec;
        return reencodeBody(header, codec);
    }
    const bool isText = !frameId.empty() && frameId[0] == 'T';
    const bool isUrl = !frameId.empty() && frameId[0] == 'W';
    if (frameId == "TXXX") {
        if (encoding == kWriteEncoding)
            return KW5_FILE_RET_OK;
        KW5FieldTXXX codec;
        return reencodeBody(header, codec);
    }
    if (frameId == "WXXX") {
        if (encoding == kWriteEncoding)
            return KW5_FILE_RET_OK;
        KW5FieldWXXX codec;
        return reencodeBody(header, codec);
    }
    if (isText) {
        if (encoding == kWriteEncoding)
            return KW5_FILE_RET_OK;
        KW5FieldT codec;
        return reencodeBody(header, codec);
    }
    // Plain URL frames hold narrow text without an encoding byte, and the
    // standard frames are kept byte for byte.
    if (isUrl || isStandardFrameId(frameId))
        return KW5_FILE_RET_OK;
    return KW5_FILE_RET_INVALID_PARAMETER;
}

_KW5_FILE_RET KW5Frame::reencodeBody(KW5FrameHeader& header, KW5FieldBase& codec) {
    std::string frameId;
    _KW5_FILE_RET ret = header.getId(frameId);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    std::vector<unsigned char> converted;
    ret = codec.convertToUtf16BE(frameId, body_.data(), bodyLength(), converted);
    if (ret != KW5_FILE_RET_OK)
        return ret;

    // Built aside and swapped in whole: a failure leaves the frame as it
    // was, never a header announcing a body that is not there.
    ULONG newSize = 0;
    ret = codec.getSize(newSize);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    ret = header.setSize(newSize);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    std::vector<unsigned char> headerBytes;
    std::vector<unsigned char> body;
    try {
        headerBytes = header.bytes();
        body.assign(newSize, 0);
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    if (newSize != 0) {
        ret = codec.getData(body.data(), newSize);
        if (ret != KW5_FILE_RET_OK)
            return ret;
    }
    header_.swap(headerBytes);
    body_.swap(body);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Frame::truncatePayload(ULONG maxUnits) {
    if (header_.empty() || body_.empty())
        return KW5_FILE_RET_INVALID_DATA;
    KW5FrameHeader header;
    _KW5_FILE_RET ret = header.setFromBytes(header_.data(), headerLength());
    if (ret != KW5_FILE_RET_OK)
        return ret == KW5_FILE_RET_OUT_OF_MEMORY ? ret : KW5_FILE_RET_INVALID_DATA;
    if (header.hasSealedBody())
        return KW5_FILE_RET_OK;
    std::string frameId;
    ret = header.getId(frameId);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    KW5Field field;
    ret = field.setBytes(body_.data(), bodyLength());
    if (ret != KW5_FILE_RET_OK)
        return ret;
    std::vector<unsigned char> payload;
    ret = field.getPayload(frameId, payload);
    if (ret != KW5_FILE_RET_OK)
        return ret;

    // The payload is the tail of the body; whatever precedes it is kept.
    const size_t payloadLength = std::min(payload.size(), body_.size());
    const size_t prefixLength = body_.size() - payloadLength;
    const size_t kept =
        static_cast<size_t>(std::min<uint64_t>(payloadLength, 2 * uint64_t(maxUnits)));
    body_.resize(prefixLength + kept);
    ret = header.setSize(bodyLength());
    if (ret != KW5_FILE_RET_OK)
        return ret;
    header_ = header.bytes();
    return KW5_FILE_RET_OK;
}

bool KW5Frame::isEqual(const KW5Frame& other) const {
    return header_ == other.header_ && body_ == other.body_;
}

#include "tag/KW5Frame.h"

#include "fields/KW5FieldBase.h"
#include "fields/KW5FieldGEOB.h"
#include "fields/KW5FieldInfo.h"
#include "fields/KW5FieldT.h"
#include "fields/KW5FieldTXXX.h"
#include "fields/KW5FieldWXXX.h"
#include "support/KW5Log.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace {

// The text encoding every frame leaves the store in: UTF-16 big-endian.
const unsigned char kWriteEncoding = 2;

KW5Frame::Body shareBytes(std::vector<unsigned char>&& bytes) {
    KW5Frame::Body body;
    if (bytes.empty())
        return body;
    auto held = std::make_shared<const std::vector<unsigned char>>(std::move(bytes));
    body.data = held->data();
    body.size = static_cast<ULONG>(held->size());
    body.owner = std::move(held);
    return body;
}

} // namespace

KW5Frame::KW5Frame() {}

KW5Frame::~KW5Frame() {}

void KW5Frame::clear() {
    std::vector<unsigned char>().swap(header_);
    body_ = Body();
}

_KW5_FILE_RET KW5Frame::setFrame(const KW5FrameHeader& header, const KW5Field& body) {
    clear();
    if (header.isEmpty())
        return KW5_FILE_RET_INVALID_DATA;
    try {
        header_ = header.bytes();
        std::vector<unsigned char> bytes(body.bytes());
        body_ = shareBytes(std::move(bytes));
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
        body_ = shareBytes(body.takeBytes());
    } catch (const std::bad_alloc&) {
        clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Frame::setFrameView(const KW5FrameHeader& header,
                                     std::shared_ptr<const void> owner, const unsigned char* data,
                                     ULONG size) {
    clear();
    if (header.isEmpty())
        return KW5_FILE_RET_INVALID_DATA;
    try {
        header_ = header.bytes();
    } catch (const std::bad_alloc&) {
        clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    if (size != 0)
        body_ = Body{std::move(owner), data, size};
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Frame::splitFrame(KW5FrameHeader& header, KW5Field& body) const {
    if (header_.size() != KW5FrameHeader::kLength)
        return KW5_FILE_RET_INVALID_PARAMETER;
    _KW5_FILE_RET ret = header.setFromBytes(header_.data(), headerLength());
    if (ret != KW5_FILE_RET_OK)
        return ret;
    return body.setBytes(body_.data, bodyLength());
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

_KW5_FILE_RET KW5Frame::readFrameAt(const unsigned char* image, ULONG length,
                                    KW5FrameHeader& header, ULONG& bodyAt, ULONG& bodySize,
                                    ULONG& position) {
    if (image == nullptr)
        return KW5_FILE_RET_NULL_POINTER;
    if (length <= position)
        return KW5_FILE_RET_INVALID_DATA;
    _KW5_FILE_RET ret = readHeader(image, length, header, position);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    ret = header.getSize(bodySize);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    if (uint64_t(length) < uint64_t(position) + bodySize)
        return KW5_FILE_RET_INVALID_DATA;
    bodyAt = position;
    position += bodySize;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Frame::readFrame(const unsigned char* image, ULONG length, KW5FrameHeader& header,
                                  KW5Field& body, ULONG& position) {
    ULONG bodyAt = 0;
    ULONG bodySize = 0;
    ULONG next = position;
    _KW5_FILE_RET ret = readFrameAt(image, length, header, bodyAt, bodySize, next);
    if (ret == KW5_FILE_RET_OK)
        ret = body.setBytes(image + bodyAt, bodySize);
    if (ret == KW5_FILE_RET_OK)
        position = next;
    return ret;
}

_KW5_FILE_RET KW5Frame::getFrameId(std::string& frameId) const {
    KW5FrameHeader header;
    if (header.setFromBytes(header_.data(), headerLength()) != KW5_FILE_RET_OK)
        return KW5_FILE_RET_INVALID_DATA;
    return header.getId(frameId);
}

_KW5_FILE_RET KW5Frame::getDescription(std::string& frameId, std::string& description) const {
    if (header_.empty() || bodyLength() == 0)
        return KW5_FILE_RET_INVALID_DATA;
    _KW5_FILE_RET ret = getFrameId(frameId);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    // Read where the body lies: the store asks this of every object it files.
    return KW5Field::describeBytes(body_.data, body_.size, frameId, description);
}

_KW5_FILE_RET KW5Frame::getEncoding(unsigned char& encoding) const {
    if (bodyLength() == 0)
        return KW5_FILE_RET_NOT_FOUND;
    encoding = body_.data[0];
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Frame::getPayloadSize(ULONG& size) const {
    if (bodyLength() == 0) {
        size = 0;
        return KW5_FILE_RET_OK;
    }
    std::string frameId;
    _KW5_FILE_RET ret = getFrameId(frameId);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    KW5Field field;
    ret = field.setBytes(body_.data, bodyLength());
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
    if (bodyLength() == 0)
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
    const unsigned char encoding = body_.data[0];

    if (frameId == "GEOB") {
        if (encoding == kWriteEncoding)
            return KW5_FILE_RET_OK;
        if (encoding > kWriteEncoding)
            return KW5_FILE_RET_INVALID_PARAMETER;
        return reencodeObjectBody(header);
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
    ret = codec.convertToUtf16BE(frameId, body_.data, bodyLength(), converted);
    if (ret != KW5_FILE_RET_OK)
        return ret;

    ULONG newSize = 0;
    ret = codec.getSize(newSize);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    ret = header.setSize(newSize);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    // The converted body is a copy of the codec's: taken as it is rather
    // than copied once more.
    if (converted.size() == newSize)
        return replaceBody(header, std::move(converted));
    std::vector<unsigned char>().swap(converted);
    std::vector<unsigned char> body;
    try {
        body.assign(newSize, 0);
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    if (newSize != 0) {
        ret = codec.getData(body.data(), newSize);
        if (ret != KW5_FILE_RET_OK)
            return ret;
    }
    return replaceBody(header, std::move(body));
}

_KW5_FILE_RET KW5Frame::replaceBody(const KW5FrameHeader& header,
                                    std::vector<unsigned char>&& body) {
    // Built aside and swapped in whole: a failure leaves the frame as it
    // was, never a header announcing a body that is not there.
    std::vector<unsigned char> headerBytes;
    Body shared;
    try {
        headerBytes = header.bytes();
        shared = shareBytes(std::move(body));
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    header_.swap(headerBytes);
    std::swap(body_, shared);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Frame::reencodeObjectBody(KW5FrameHeader& header) {
    // Only the texts before the object data change; the data (which may be
    // hundreds of megabytes) is copied once, straight into the new body,
    // so that no more than the old and the new body are ever held.
    const unsigned char* old = body_.data;
    KW5FieldInfo record;
    record.setFrameId("GEOB");
    ULONG dataOffset = 0;
    _KW5_FILE_RET ret = KW5FieldGEOB::decodeBody(old, bodyLength(), record, dataOffset);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    const ULONG texts = std::min(dataOffset, bodyLength());
    KW5FieldGEOB codec;
    std::vector<unsigned char> converted;
    ret = codec.convertToUtf16BE("GEOB", old, texts, converted);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    const uint64_t newSize = uint64_t(converted.size()) + (bodyLength() - texts);
    if (newSize > 0xFFFFFFFFu)
        return KW5_FILE_RET_TAG_TOO_LARGE;
    ret = header.setSize(static_cast<ULONG>(newSize));
    if (ret != KW5_FILE_RET_OK)
        return ret;
    std::vector<unsigned char> body;
    try {
        body.resize(static_cast<size_t>(newSize));
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    if (!converted.empty())
        std::memcpy(body.data(), converted.data(), converted.size());
    if (bodyLength() > texts)
        std::memcpy(body.data() + converted.size(), old + texts, bodyLength() - texts);
    return replaceBody(header, std::move(body));
}

_KW5_FILE_RET KW5Frame::truncatePayload(ULONG maxUnits) {
    if (header_.empty() || bodyLength() == 0)
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
    ret = field.setBytes(body_.data, bodyLength());
    if (ret != KW5_FILE_RET_OK)
        return ret;
    std::vector<unsigned char> payload;
    ret = field.getPayload(frameId, payload);
    if (ret != KW5_FILE_RET_OK)
        return ret;

    // The payload is the tail of the body; whatever precedes it is kept.
    const size_t payloadLength = std::min<size_t>(payload.size(), bodyLength());
    const size_t prefixLength = bodyLength() - payloadLength;
    const size_t kept =
        static_cast<size_t>(std::min<uint64_t>(payloadLength, 2 * uint64_t(maxUnits)));
    if (prefixLength + kept == bodyLength()) {
        // Nothing to cut: the body stays shared, the header is set anew.
        ret = header.setSize(bodyLength());
        if (ret != KW5_FILE_RET_OK)
            return ret;
        header_ = header.bytes();
        return KW5_FILE_RET_OK;
    }
    std::vector<unsigned char> body;
    try {
        body.assign(body_.data, body_.data + prefixLength + kept);
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    ret = header.setSize(static_cast<ULONG>(body.size()));
    if (ret != KW5_FILE_RET_OK)
        return ret;
    return replaceBody(header, std::move(body));
}

bool KW5Frame::isEqual(const KW5Frame& other) const {
    return header_ == other.header_ && body_.size == other.body_.size &&
           (body_.data == other.body_.data || body_.size == 0 ||
            std::memcmp(body_.data, other.body_.data, body_.size) == 0);
}

#include "fields/KW5BodyWriter.h"

#include <cstring>

namespace {

const unsigned char kLittleEndianMark[] = {0xFF, 0xFE};
const unsigned char kTerminator[] = {0x00, 0x00};

bool isSingleNul(const KW5WString& text) {
    return text.size() == 1 && text[0] == 0;
}

unsigned int unitValue(KW5WChar unit) {
    return static_cast<unsigned int>(unit) & 0xFFFF;
}

} // namespace

KW5BodyWriter::KW5BodyWriter() : buffer_(nullptr), position_(0) {}

KW5BodyWriter::KW5BodyWriter(std::vector<unsigned char>& buffer) : buffer_(&buffer), position_(0) {}

void KW5BodyWriter::reserve(size_t length) const {
    if (buffer_ && length > buffer_->size() - position_)
        throw KW5_FILE_RET_BAD_LAYOUT;
}

void KW5BodyWriter::appendByte(unsigned char byte) {
    appendBytes(&byte, 1);
}

void KW5BodyWriter::appendBytes(const unsigned char* bytes, size_t length) {
    if (length == 0)
        return;
    if (!bytes)
        throw KW5_FILE_RET_NULL_POINTER;
    reserve(length);
    if (buffer_)
        std::memcpy(&(*buffer_)[position_], bytes, length);
    position_ += length;
}

void KW5BodyWriter::appendBytes(const std::string& bytes) {
    appendBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

void KW5BodyWriter::appendBytes(const std::vector<unsigned char>& bytes) {
    appendBytes(bytes.data(), bytes.size());
}

void KW5BodyWriter::appendTerminated(const unsigned char* bytes, size_t length,
                                     unsigned char encoding) {
    if (!bytes)
        throw KW5_FILE_RET_NULL_POINTER;
    size_t terminatorLength;
    switch (encoding) {
    case 0:
        terminatorLength = 1;
        break;
    case 1:
    case 2:
        terminatorLength = 2;
        break;
    default:
        throw KW5_FILE_RET_INVALID_PARAMETER;
    }
    appendBytes(bytes, length);
    appendBytes(kTerminator, terminatorLength);
}

void KW5BodyWriter::writeNarrowText(const std::string& text) {
    appendTerminated(reinterpret_cast<const unsigned char*>(text.c_str()), text.size(), 0);
}

void KW5BodyWriter::writeUtf16WithMark(const KW5WString& text) {
    appendBytes(kLittleEndianMark, sizeof kLittleEndianMark);
    putUnitsLE(text);
    appendBytes(kTerminator, sizeof kTerminator);
}

void KW5BodyWriter::writeUtf16WithMarkIfAny(const KW5WString& text) {
    if (!text.empty())
        appendBytes(kLittleEndianMark, sizeof kLittleEndianMark);
    putUnitsLE(text);
    appendBytes(kTerminator, sizeof kTerminator);
}

void KW5BodyWriter::writeUtf16LEWithMark(const KW5WString& text) {
    appendBytes(kLittleEndianMark, sizeof kLittleEndianMark);
    putUnitsLE(text);
}

void KW5BodyWriter::writeUtf16BE(const KW5WString& text) {
    putUnitsBE(text, text.size());
}

void KW5BodyWriter::writeUtf16BETerminated(const KW5WString& text) {
    putUnitsBE(text, isSingleNul(text) ? 0 : text.size());
    appendBytes(kTerminator, sizeof kTerminator);
}

void KW5BodyWriter::writeUtf16(unsigned char encoding, const KW5WString& text) {
    if (encoding == 1)
        writeUtf16LEWithMark(text);
    else
        writeUtf16BE(text);
}

void KW5BodyWriter::writeUtf16Terminated(unsigned char encoding, const KW5WString& text) {
    if (encoding == 1)
        writeUtf16WithMark(text);
    else
        writeUtf16BETerminated(text);
}

void KW5BodyWriter::finish() const {
    if (buffer_ && position_ != buffer_->size())
        throw KW5_FILE_RET_BAD_LAYOUT;
}

void KW5BodyWriter::putUnitLE(KW5WChar unit) {
    const unsigned char bytes[] = {static_cast<unsigned char>(unitValue(unit) & 0xFF),
                                   static_cast<unsigned char>(unitValue(unit) >> 8)};
    appendBytes(bytes, 2);
}

void KW5BodyWriter::putUnitBE(KW5WChar unit) {
    const unsigned char bytes[] = {static_cast<unsigned char>(unitValue(unit) >> 8),
                                   static_cast<unsigned char>(unitValue(unit) & 0xFF)};
    appendBytes(bytes, 2);
}

void KW5BodyWriter::putUnitsLE(const KW5WString& text) {
    reserve(2 * text.size());
    if (!buffer_) {
        position_ += 2 * text.size();
        return;
    }
    for (KW5WChar unit : text)
        putUnitLE(unit);
}

void KW5BodyWriter::putUnitsBE(const KW5WString& text, size_t count) {
    reserve(2 * count);
    if (!buffer_) {
        position_ += 2 * count;
        return;
    }
    for (size_t i = 0; i < count; ++i)
        putUnitBE(text[i]);
}

#include "fields/KW5FieldGEOB.h"

#include "fields/KW5BodyWriter.h"
#include "fields/KW5TextDecode.h"
#include "platform/CodePage.h"

#include <new>

KW5FieldGEOB::KW5FieldGEOB() {}

KW5FieldGEOB::~KW5FieldGEOB() {
    clear();
}

_KW5_FILE_RET KW5FieldGEOB::parse(const unsigned char* body, ULONG size, Texts& texts,
                                  ULONG& dataOffset) {
    if (body == nullptr || size == 0)
        return KW5_FILE_RET_INVALID_PARAMETER;
    const unsigned char encoding = body[0];
    if (encoding > 2)
        return KW5_FILE_RET_INVALID_DATA;
    ULONG pos = 1;
    ULONG consumed = 0;
    _KW5_FILE_RET result = kw5fields::readBodyText(body, size, pos, 0, texts.mimeType, consumed);
    if (result != KW5_FILE_RET_OK)
        return result;
    pos += consumed;
    result =
        kw5fields::readBodyText(body, size, pos, encoding, texts.fileName, consumed, &texts.exact);
    if (result != KW5_FILE_RET_OK)
        return result;
    pos += consumed;
    result = kw5fields::readBodyText(body, size, pos, encoding, texts.description, consumed,
                                     &texts.exact);
    if (result != KW5_FILE_RET_OK)
        return result;
    pos += consumed;
    dataOffset = pos;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FieldGEOB::decode(KW5FieldInfo& record, ULONG& dataOffset) {
    return decodeBody(buffer_.data(), static_cast<ULONG>(buffer_.size()), record, dataOffset);
}

_KW5_FILE_RET KW5FieldGEOB::decodeBody(const unsigned char* body, ULONG length,
                                       KW5FieldInfo& record, ULONG& dataOffset) {
    Texts texts;
    ULONG offset = 0;
    _KW5_FILE_RET result;
    try {
        result = parse(body, length, texts, offset);
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    if (result != KW5_FILE_RET_OK)
        return result;
    record.setMimeType(texts.mimeType);
    record.setFileName(texts.fileName);
    record.setDescription(texts.description);
    record.setTextsExact(texts.exact);
    dataOffset = offset;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FieldGEOB::encode(KW5FieldInfo& record) {
    Texts texts;
    std::vector<unsigned char> data;
    try {
        texts.description = record.description();
        texts.mimeType = record.mimeType();
        texts.fileName = record.fileName();
        data = record.data();
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    if (record.encoding() > 2)
        return KW5_FILE_RET_INVALID_PARAMETER;
    return write(record.encoding(), texts, data);
}

_KW5_FILE_RET KW5FieldGEOB::write(unsigned char encoding, const Texts& texts,
                                  const std::vector<unsigned char>& data) {
    clear();
    switch (encoding) {
    case 0:
        return writeEncoding0(texts, data);
    case 1:
    case 2:
        return writeUnicode(encoding, texts, data);
    default:
        return KW5_FILE_RET_INVALID_PARAMETER;
    }
}

_KW5_FILE_RET KW5FieldGEOB::writeEncoding0(const Texts& texts,
                                           const std::vector<unsigned char>& data) {
    return writeBody(
        [&](KW5BodyWriter& writer) {
            writer.appendByte(0x00);
            writer.writeNarrowText(texts.mimeType);
            writer.writeNarrowText(texts.fileName);
            writer.writeNarrowText(texts.description);
            writer.appendBytes(data);
        },
        KW5_FILE_RET_OUT_OF_MEMORY);
}

_KW5_FILE_RET KW5FieldGEOB::writeUnicode(unsigned char encoding, const Texts& texts,
                                         const std::vector<unsigned char>& data) {
    KW5WString fileName;
    KW5WString description;
    if (!kw5platform::convertToWide(texts.fileName, fileName) ||
        !kw5platform::convertToWide(texts.description, description))
        return KW5_FILE_RET_BUFFER_ERROR;
    return writeBody(
        [&](KW5BodyWriter& writer) {
            writer.appendByte(encoding);
            writer.writeNarrowText(texts.mimeType);
            // An empty file name has no mark in encoding 1.
            if (encoding == 1)
                writer.writeUtf16WithMarkIfAny(fileName);
            else
                writer.writeUtf16BETerminated(fileName);
            writer.writeUtf16Terminated(encoding, description);
            writer.appendBytes(data);
        },
        KW5_FILE_RET_OUT_OF_MEMORY);
}

_KW5_FILE_RET KW5FieldGEOB::convertToUtf16BE(const std::string&, const unsigned char* body,
                                             ULONG bodySize, std::vector<unsigned char>& newBody) {
    clear();
    try {
        // Parsed where it lies: the object data may be megabytes long.
        if (bodySize != 0 && body == nullptr)
            return KW5_FILE_RET_NULL_POINTER;
        Texts texts;
        ULONG dataOffset = 0;
        _KW5_FILE_RET result = parse(body, bodySize, texts, dataOffset);
        if (result != KW5_FILE_RET_OK)
            return result;
        std::vector<unsigned char> data;
        if (dataOffset < bodySize)
            data.assign(body + dataOffset, body + bodySize);
        return handOut(write(2, texts, data), newBody);
    } catch (const std::bad_alloc&) {
        clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
}

#include "fields/KW5FieldTXXX.h"

#include "fields/KW5BodyWriter.h"
#include "fields/KW5TextDecode.h"
#include "platform/CodePage.h"

#include <new>

KW5FieldTXXX::KW5FieldTXXX() {}

KW5FieldTXXX::~KW5FieldTXXX() {
    clear();
}

_KW5_FILE_RET KW5FieldTXXX::encode(KW5FieldInfo& record) {
    const std::string& description = record.description();
    const unsigned char encoding = record.encoding();
    const KW5WString& value = record.value();
    clear();
    switch (encoding) {
    case 0:
        return writeUserBodyEncoding0(description, value);
    case 1:
        return writeEncoding1(description, value);
    case 2:
        return writeEncoding2(description, value);
    default:
        return KW5_FILE_RET_BAD_LAYOUT;
    }
}

_KW5_FILE_RET KW5FieldTXXX::writeEncoding1(const std::string& description,
                                           const KW5WString& value) {
    KW5WString wideDescription;
    if (!kw5platform::convertToWide(description, wideDescription))
        return KW5_FILE_RET_BUFFER_ERROR;
    if (wideDescription.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    return writeBody(
        [&](KW5BodyWriter& writer) {
            writer.appendByte(0x01);
            writer.writeUtf16WithMark(wideDescription);
            writer.writeUtf16LEWithMark(value);
        },
        KW5_FILE_RET_BUFFER_ERROR);
}

_KW5_FILE_RET KW5FieldTXXX::writeEncoding2(const std::string& description,
                                           const KW5WString& value) {
    KW5WString wideDescription;
    if (!kw5platform::convertToWide(description, wideDescription))
        return KW5_FILE_RET_BUFFER_ERROR;
    if (wideDescription.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    return writeBody(
        [&](KW5BodyWriter& writer) {
            writer.appendByte(0x02);
            writer.writeUtf16BETerminated(wideDescription);
            writer.writeUtf16BE(value);
        },
        KW5_FILE_RET_BUFFER_ERROR);
}

_KW5_FILE_RET KW5FieldTXXX::decode(KW5FieldInfo& record, ULONG& dataOffset) {
    return decodeDescription(buffer_, record, dataOffset);
}

_KW5_FILE_RET KW5FieldTXXX::decodeDescription(const std::vector<unsigned char>& body,
                                              KW5FieldInfo& record, ULONG& dataOffset) {
    // An empty body has no encoding byte to read.
    if (body.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    const unsigned char encoding = body[0];
    if (encoding > 2)
        return KW5_FILE_RET_INVALID_DATA;
    std::string description;
    ULONG consumed = 0;
    bool exact = true;
    _KW5_FILE_RET result = kw5fields::readBodyText(body.data(), static_cast<ULONG>(body.size()), 1,
                                                   encoding, description, consumed, &exact);
    if (result != KW5_FILE_RET_OK)
        return result;
    record.setDescription(description);
    record.setTextsExact(exact);
    dataOffset = 1 + consumed;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FieldTXXX::convertToUtf16BE(const std::string&, const unsigned char* body,
                                             ULONG bodySize, std::vector<unsigned char>& newBody) {
    clear();
    if (!body || bodySize == 0)
        return KW5_FILE_RET_INVALID_DATA;
    try {
        _KW5_FILE_RET result = setData(body, bodySize);
        if (result != KW5_FILE_RET_OK)
            return result;
        KW5FieldInfo parsed;
        ULONG dataOffset = 0;
        result = decode(parsed, dataOffset);
        clear();
        if (result != KW5_FILE_RET_OK)
            return result;

        KW5WString value;
        if (bodySize >= 2) {
            if (dataOffset > bodySize)
                return KW5_FILE_RET_FAILED;
            std::vector<unsigned char> utf16BE;
            result = kw5fields::decodeToUtf16BE(body[0], body + dataOffset, bodySize - dataOffset,
                                                utf16BE);
            if (result != KW5_FILE_RET_OK)
                return result;
            value = kw5fields::unitsFromBigEndian(utf16BE.data(), utf16BE.size());
        }
        result = writeEncoding2(parsed.description(), value);
        if (result != KW5_FILE_RET_OK)
            return result;
        newBody = buffer_;
    } catch (const std::bad_alloc&) {
        clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

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
    return encodeUserFrame(record);
}

_KW5_FILE_RET KW5FieldTXXX::writeUserUnicode(unsigned char encoding, const std::string& description,
                                             const KW5WString& value) {
    KW5WString wide;
    _KW5_FILE_RET ret = wideDescription(description, wide);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    return writeBody(
        [&](KW5BodyWriter& writer) {
            writer.appendByte(encoding);
            writer.writeUtf16Terminated(encoding, wide);
            writer.writeUtf16(encoding, value);
        },
        KW5_FILE_RET_BUFFER_ERROR);
}

_KW5_FILE_RET KW5FieldTXXX::decode(KW5FieldInfo& record, ULONG& dataOffset) {
    return decodeDescription(buffer_.data(), static_cast<ULONG>(buffer_.size()), record,
                             dataOffset);
}

_KW5_FILE_RET KW5FieldTXXX::decodeDescription(const unsigned char* body, ULONG length,
                                              KW5FieldInfo& record, ULONG& dataOffset) {
    // An empty body has no encoding byte to read.
    if (length == 0)
        return KW5_FILE_RET_INVALID_PARAMETER;
    const unsigned char encoding = body[0];
    if (encoding > 2)
        return KW5_FILE_RET_INVALID_DATA;
    std::string description;
    ULONG consumed = 0;
    bool exact = true;
    _KW5_FILE_RET result =
        kw5fields::readBodyText(body, length, 1, encoding, description, consumed, &exact);
    if (result != KW5_FILE_RET_OK)
        return result;
    record.setDescription(description);
    record.setTextsExact(exact);
    dataOffset = 1 + consumed;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FieldTXXX::convertToUtf16BE(const std::string&, const unsigned char* body,
                                             ULONG bodySize, std::vector<unsigned char>& newBody) {
    return convertUserBody(body, bodySize, newBody, [&](ULONG dataOffset, KW5WString& value) {
        std::vector<unsigned char> utf16BE;
        _KW5_FILE_RET result =
            kw5fields::decodeToUtf16BE(body[0], body + dataOffset, bodySize - dataOffset, utf16BE);
        if (result == KW5_FILE_RET_OK)
            value = kw5fields::unitsFromBigEndian(utf16BE.data(), utf16BE.size());
        return result;
    });
}

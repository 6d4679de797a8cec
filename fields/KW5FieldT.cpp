#include "fields/KW5FieldT.h"

#include "fields/KW5BodyWriter.h"
#include "fields/KW5TextDecode.h"
#include "platform/CodePage.h"

#include <new>

KW5FieldT::KW5FieldT() {}

KW5FieldT::~KW5FieldT() {
    clear();
}

_KW5_FILE_RET KW5FieldT::encode(KW5FieldInfo& record) {
    const unsigned char encoding = record.encoding();
    const KW5WString& value = record.value();
    clear();
    switch (encoding) {
    case 0:
        return writeEncoding0(value);
    case 1:
    case 2:
        return writeUnicode(encoding, value);
    default:
        return KW5_FILE_RET_BAD_LAYOUT;
    }
}

_KW5_FILE_RET KW5FieldT::writeEncoding0(const KW5WString& value) {
    std::string narrow;
    if (!kw5platform::convertToNarrow(value, narrow))
        return KW5_FILE_RET_BUFFER_ERROR;
    return writeBody(
        [&](KW5BodyWriter& writer) {
            writer.appendByte(0x00);
            writer.appendBytes(narrow);
        },
        KW5_FILE_RET_BUFFER_ERROR);
}

_KW5_FILE_RET KW5FieldT::writeUnicode(unsigned char encoding, const KW5WString& value) {
    return writeBody(
        [&](KW5BodyWriter& writer) {
            writer.appendByte(encoding);
            writer.writeUtf16(encoding, value);
        },
        KW5_FILE_RET_BUFFER_ERROR);
}

_KW5_FILE_RET KW5FieldT::convertToUtf16BE(const std::string&, const unsigned char* body,
                                          ULONG bodySize, std::vector<unsigned char>& newBody) {
    clear();
    if (!body || bodySize == 0)
        return KW5_FILE_RET_INVALID_DATA;
    try {
        // The value keeps every unit, NUL units included.
        KW5WString value;
        if (bodySize > 1) {
            std::vector<unsigned char> utf16BE;
            _KW5_FILE_RET result =
                kw5fields::decodeToUtf16BE(body[0], body + 1, bodySize - 1, utf16BE);
            if (result != KW5_FILE_RET_OK)
                return result;
            value = kw5fields::unitsFromBigEndian(utf16BE.data(), utf16BE.size());
        }
        return handOut(writeUnicode(2, value), newBody);
    } catch (const std::bad_alloc&) {
        clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
}

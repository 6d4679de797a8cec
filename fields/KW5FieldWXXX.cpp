#include "fields/KW5FieldWXXX.h"

#include "fields/KW5BodyWriter.h"
#include "fields/KW5FieldTXXX.h"
#include "platform/CodePage.h"

#include <new>

KW5FieldWXXX::KW5FieldWXXX() {}

KW5FieldWXXX::~KW5FieldWXXX() {
    clear();
}

_KW5_FILE_RET KW5FieldWXXX::encode(KW5FieldInfo& record) {
    const std::string& description = record.description();
    const unsigned char encoding = record.encoding();
    const KW5WString& url = record.value();
    clear();
    switch (encoding) {
    case 0:
        return writeUserBodyEncoding0(description, url);
    case 1:
        return writeEncoding1(description, url);
    case 2:
        return writeEncoding2(description, url);
    default:
        return KW5_FILE_RET_BAD_LAYOUT;
    }
}

_KW5_FILE_RET KW5FieldWXXX::writeEncoding1(const std::string& description, const KW5WString& url) {
    std::string narrowUrl;
    KW5WString wideDescription;
    if (!kw5platform::convertToNarrow(url, narrowUrl) ||
        !kw5platform::convertToWide(description, wideDescription))
        return KW5_FILE_RET_BUFFER_ERROR;
    if (wideDescription.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    return writeBody(
        [&](KW5BodyWriter& writer) {
            writer.appendByte(0x01);
            writer.writeUtf16WithMark(wideDescription);
            writer.appendBytes(narrowUrl);
        },
        KW5_FILE_RET_BUFFER_ERROR);
}

_KW5_FILE_RET KW5FieldWXXX::writeEncoding2(const std::string& description, const KW5WString& url) {
    std::string narrowUrl;
    KW5WString wideDescription;
    if (!kw5platform::convertToNarrow(url, narrowUrl) ||
        !kw5platform::convertToWide(description, wideDescription))
        return KW5_FILE_RET_BUFFER_ERROR;
    if (wideDescription.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    return writeBody(
        [&](KW5BodyWriter& writer) {
            writer.appendByte(0x02);
            writer.writeUtf16BETerminated(wideDescription);
            writer.appendBytes(narrowUrl);
        },
        KW5_FILE_RET_BUFFER_ERROR);
}

_KW5_FILE_RET KW5FieldWXXX::decode(KW5FieldInfo& record, ULONG& dataOffset) {
    return KW5FieldTXXX::decodeDescription(buffer_, record, dataOffset);
}

_KW5_FILE_RET KW5FieldWXXX::convertToUtf16BE(const std::string&, const unsigned char* body,
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

        // The URL passes through the narrow form and stops at its first 00.
        KW5WString url;
        if (bodySize >= 2) {
            if (dataOffset > bodySize)
                return KW5_FILE_RET_FAILED;
            const std::string narrowUrl(reinterpret_cast<const char*>(body) + dataOffset,
                                        bodySize - dataOffset);
            if (!kw5platform::convertToWide(narrowUrl, url))
                return KW5_FILE_RET_BUFFER_ERROR;
        }
        result = writeEncoding2(parsed.description(), url);
        if (result != KW5_FILE_RET_OK)
            return result;
        newBody = buffer_;
    } catch (const std::bad_alloc&) {
        clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

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
    return encodeUserFrame(record);
}

_KW5_FILE_RET KW5FieldWXXX::writeUserUnicode(unsigned char encoding, const std::string& description,
                                             const KW5WString& url) {
    std::string narrowUrl;
    if (!kw5platform::convertToNarrow(url, narrowUrl))
        return KW5_FILE_RET_BUFFER_ERROR;
    KW5WString wide;
    _KW5_FILE_RET ret = wideDescription(description, wide);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    return writeBody(
        [&](KW5BodyWriter& writer) {
            writer.appendByte(encoding);
            writer.writeUtf16Terminated(encoding, wide);
            writer.appendBytes(narrowUrl);
        },
        KW5_FILE_RET_BUFFER_ERROR);
}

_KW5_FILE_RET KW5FieldWXXX::decode(KW5FieldInfo& record, ULONG& dataOffset) {
    return KW5FieldTXXX::decodeDescription(buffer_.data(), static_cast<ULONG>(buffer_.size()),
                                           record, dataOffset);
}

_KW5_FILE_RET KW5FieldWXXX::convertToUtf16BE(const std::string&, const unsigned char* body,
                                             ULONG bodySize, std::vector<unsigned char>& newBody) {
    // The URL passes through the narrow form and stops at its first 00.
    return convertUserBody(body, bodySize, newBody, [&](ULONG dataOffset, KW5WString& url) {
        const std::string narrowUrl(reinterpret_cast<const char*>(body) + dataOffset,
                                    bodySize - dataOffset);
        return kw5platform::convertToWide(narrowUrl, url) ? KW5_FILE_RET_OK
                                                          : KW5_FILE_RET_BUFFER_ERROR;
    });
}

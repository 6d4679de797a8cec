#include "fields/KW5FieldW.h"

#include "fields/KW5BodyWriter.h"
#include "platform/CodePage.h"

KW5FieldW::KW5FieldW() {}

KW5FieldW::~KW5FieldW() {
    clear();
}

_KW5_FILE_RET KW5FieldW::encode(KW5FieldInfo& record) {
    // The record's encoding has no say: a URL is always narrow.
    const KW5WString& value = record.value();
    clear();
    std::string url;
    if (!kw5platform::convertToNarrow(value, url))
        return KW5_FILE_RET_BUFFER_ERROR;
    if (url.empty())
        url.assign(1, '\0');
    return writeBody([&](KW5BodyWriter& writer) { writer.appendBytes(url); },
                     KW5_FILE_RET_BUFFER_ERROR);
}

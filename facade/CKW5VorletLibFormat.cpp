// Format check and conversion of a file's tag, by path, independent of the
// object's open file: CheckFileFormat, FormatFile, CheckAndFormatFile.
#include "kw5/CKW5VorletLib.h"

#include "facade/KW5FileRet.h"
#include "format/KW5Format.h"
#include "format/KW5FormatFactory.h"
#include "kw5/HResult.h"
#include "storage/KW5File.h"
#include "tag/KW5Tag.h"

#include <memory>
#include <vector>

namespace {

// The results of the variant rules: a rewrite in the variant's layout may
// cure them.
bool isFormatRuleBroken(_KW5_FILE_RET result) {
    return result >= KW5_FILE_RET_FORMAT_WRONG_VERSION && result <= KW5_FILE_RET_FORMAT_NO_ULINF;
}

// The variant object of a kind, owned by the caller from the start.
_KW5_FILE_RET makeFormat(const LONG& kind, std::unique_ptr<KW5Format>& format) {
    KW5Format* made = nullptr;
    _KW5_FILE_RET result = createFormat(kind, made);
    format.reset(made);
    if (result == KW5_FILE_RET_OK && !format)
        return KW5_FILE_RET_OUT_OF_MEMORY;
    return result;
}

} // namespace

_KW5_FILE_RET CKW5VorletLib::checkKW5FileFormat(const KW5WString& path, const LONG& kind) {
    KW5File file;
    _KW5_FILE_RET result = file.read(path, KW5_OPEN_READONLY);
    if (result != KW5_FILE_RET_OK)
        return result;
    std::vector<unsigned char> image;
    ULONG length = 0;
    result = file.copyBuffer(image, length);
    if (result != KW5_FILE_RET_OK)
        return result;
    std::unique_ptr<KW5Format> format;
    result = makeFormat(kind, format);
    if (result != KW5_FILE_RET_OK)
        return result;
    const unsigned char* bytes = image.data();
    return format->checkFormat(bytes, length);
}

LONG CKW5VorletLib::CheckFileFormat(const KW5WString& path, const LONG& kind) {
    try {
        return KW5ErrorReturnHRESULT(checkKW5FileFormat(path, kind));
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::FormatFile(const KW5WString& path, const LONG& kind) {
    try {
        // The open tag would be written over the file by a later Update.
        if (opened)
            return kw5::kE_FAIL;
        KW5File file;
        std::vector<unsigned char> image;
        ULONG length = 0;
        if (file.read(path, KW5_OPEN_READONLY) != KW5_FILE_RET_OK ||
            file.copyBuffer(image, length) != KW5_FILE_RET_OK)
            return kw5::kE_FAIL;
        std::unique_ptr<KW5Format> format;
        if (makeFormat(kind, format) != KW5_FILE_RET_OK)
            return kw5::kE_FAIL;

        KW5Tag fresh;
        _KW5_FILE_RET result = fresh.load(image.data(), length);
        if (result == KW5_FILE_RET_OK)
            result = format->writeTag(fresh, path);
        return result == KW5_FILE_RET_OK ? kw5::kS_OK : KW5ErrorReturnHRESULT(result);
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::CheckAndFormatFile(const KW5WString& path, const LONG& kind) {
    _KW5_FILE_RET checked = KW5_FILE_RET_FAILED;
    try {
        checked = checkKW5FileFormat(path, kind);
    } catch (...) {
        return kw5::kE_FAIL;
    }
    if (checked == KW5_FILE_RET_OK)
        return kw5::kS_OK;
    if (!isFormatRuleBroken(checked))
        return kw5::kE_FAIL;
    LONG rewritten = FormatFile(path, kind);
    return rewritten < 0 ? rewritten : kw5::kS_OK;
}

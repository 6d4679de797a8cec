#include "tools/kw5tag/LayoutCheck.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/Utf8.h"

namespace kw5tag {

namespace {

// The exported class offers its detailed check result to derived classes.
class FormatChecker : public CKW5VorletLib {
public:
    _KW5_FILE_RET check(const KW5WString& path, LONG kind) {
        return checkKW5FileFormat(path, kind);
    }
};

const char* ruleText(_KW5_FILE_RET result) {
    switch (result) {
    case KW5_FILE_RET_FORMAT_WRONG_VERSION:
        return "the tag header is not version 2.3.0 with magic kw5 or ID3";
    case KW5_FILE_RET_FORMAT_WRONG_ENCODING:
        return "a frame carries a text encoding other than UTF-16BE (2)";
    case KW5_FILE_RET_FORMAT_FRAME_TOO_LARGE:
        return "a priority frame holds more than 512 bytes of text";
    case KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT:
        return "the key frames do not lead the tag in key order, or the variant's object is "
               "there twice";
    case KW5_FILE_RET_FORMAT_NO_LSI:
        return "there is no VMK_LSI object";
    case KW5_FILE_RET_FORMAT_LSI_PRESENT:
        return "a VMK_LSI object is present, which STD does not allow";
    case KW5_FILE_RET_FORMAT_NO_ULINF:
        return "there is no VMK_ULINF object";
    default:
        return nullptr;
    }
}

} // namespace

LayoutVerdict checkLayout(const std::string& path, LONG kind) {
    FormatChecker checker;
    _KW5_FILE_RET result = checker.check(fromUtf8(path), kind);
    LayoutVerdict verdict;
    if (result == KW5_FILE_RET_OK) {
        verdict.follows = true;
        return verdict;
    }
    verdict.rule = ruleText(result);
    verdict.ruleCode = static_cast<int>(result);
    if (verdict.rule)
        return verdict;
    LONG hr = checker.CheckFileFormat(fromUtf8(path), kind);
    throw Failure("cannot check the layout", hr == kw5::kS_OK ? kw5::kE_FAIL : hr);
}

std::string verdictText(const LayoutVerdict& verdict) {
    if (verdict.follows)
        return "follows it";
    std::string text = std::string("does not follow it: ") + verdict.rule;
    if (verdict.ruleCode)
        text += " (rule " + std::to_string(verdict.ruleCode) + ")";
    return text;
}

} // namespace kw5tag

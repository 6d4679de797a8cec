// kw5tag check / convert: the STD, GM and Prask layouts.
#include "kw5/HResult.h"
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/TagFile.h"
#include "tools/kw5tag/Utf8.h"

#include <cstdio>

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

LONG requiredVariant(const Args& args, const char* usage) {
    if (!args.has("--variant"))
        throw UsageError(std::string("missing --variant; usage: ") + usage);
    return parseVariant(args.value("--variant"));
}

} // namespace

int runCheck(const std::vector<std::string>& argv) {
    const char* usage = "kw5tag check FILE --variant std|gm|prask";
    Args args(argv, {{"--variant", "", true, false}});
    args.expectPositionals(1, 1, usage);
    LONG kind = requiredVariant(args, usage);
    const std::string& path = args.positionals()[0];
    FormatChecker checker;
    _KW5_FILE_RET result = checker.check(fromUtf8(path), kind);
    if (result == KW5_FILE_RET_OK) {
        std::printf("%s: follows the %s layout\n", path.c_str(), variantName(kind));
        return kExitOk;
    }
    if (const char* rule = ruleText(result)) {
        std::printf("%s: does not follow the %s layout: %s (rule %d)\n", path.c_str(),
                    variantName(kind), rule, static_cast<int>(result));
        return kExitNotFound;
    }
    LONG hr = checker.CheckFileFormat(fromUtf8(path), kind);
    throw Failure("cannot check '" + path + "'", hr == kw5::kS_OK ? kw5::kE_FAIL : hr);
}

int runConvert(const std::vector<std::string>& argv) {
    const char* usage = "kw5tag convert FILE --variant std|gm|prask";
    Args args(argv, {{"--variant", "", true, false}});
    args.expectPositionals(1, 1, usage);
    LONG kind = requiredVariant(args, usage);
    const std::string& path = args.positionals()[0];
    CKW5VorletLib lib;
    requireOk(lib.FormatFile(fromUtf8(path), kind),
              std::string("cannot convert '") + path + "' to the " + variantName(kind) + " layout");
    std::printf("%s: rewritten in the %s layout\n", path.c_str(), variantName(kind));
    if (lib.CheckFileFormat(fromUtf8(path), kind) != kw5::kS_OK)
        std::printf("note: the file still does not pass 'kw5tag check --variant %s' (the "
                    "writer adds no missing object)\n",
                    args.value("--variant").c_str());
    return kExitOk;
}

} // namespace kw5tag

// kw5tag check / convert: the STD, GM and Prask layouts, over many files.
#include "kw5/HResult.h"
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Batch.h"
#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/LayoutCheck.h"
#include "tools/kw5tag/TagFile.h"
#include "tools/kw5tag/Utf8.h"

#include <cstdio>

namespace kw5tag {

namespace {

std::string ownLayoutText(LONG own) {
    return std::string(variantName(own)) + ", as " + layoutReason(own);
}

} // namespace

int runCheck(const std::vector<std::string>& argv) {
    Args args(argv, batchOptions({{"--variant", "", true, false}}));
    std::string variant = args.value("--variant");
    if (args.has("--variant"))
        parseVariant(variant);
    Batch batch("check", args);
    batch.setNotFoundWords("not following the layout");
    return batch.run(args.positionals(), [&](const std::string& path) {
        LONG own;
        {
            TagFile file(path, KW5_OPEN_READONLY);
            own = file.ownLayout();
        }
        LONG kind = variant.empty() ? own : parseVariant(variant);
        LayoutVerdict verdict = checkLayout(path, kind);
        if (kind == own)
            std::printf("%s: %s layout (%s): %s\n", path.c_str(), variantName(own),
                        layoutReason(own), verdictText(verdict).c_str());
        else
            std::printf("%s: %s layout: %s; its own layout is %s\n", path.c_str(),
                        variantName(kind), verdictText(verdict).c_str(),
                        ownLayoutText(own).c_str());
        return int(verdict.follows ? kExitOk : kExitNotFound);
    });
}

int runConvert(const std::vector<std::string>& argv) {
    Args args(argv, batchOptions({{"--variant", "", true, false}}, true));
    if (!args.has("--variant"))
        throw UsageError("missing --variant; usage: kw5tag convert --variant std|gm|prask FILE...");
    LONG kind = parseVariant(args.value("--variant"));
    Batch batch("convert", args);
    return batch.run(args.positionals(), [&](const std::string& path) {
        if (batch.dryRun()) {
            // Read only: what the rewrite would meet, without writing.
            TagFile file(path, KW5_OPEN_READONLY);
            file.save(kind, true);
            LayoutVerdict verdict = checkLayout(path, kind);
            std::printf("%s: would be rewritten in the %s layout; as it is, the tag %s; nothing "
                        "written (dry run)\n",
                        path.c_str(), variantName(kind), verdictText(verdict).c_str());
            return int(kExitOk);
        }
        CKW5VorletLib lib;
        HRESULT hr = lib.FormatFile(fromUtf8(path), kind);
        if (hr == kw5::kE_KW5_FORMAT && kind == KW5_FORMAT_STD)
            throw Failure("not converted",
                          "the STD layout does not allow the VMK_LSI object the tag holds", hr);
        requireOk(hr, std::string("not converted to the ") + variantName(kind) + " layout");
        if (!batch.quiet())
            std::printf("%s: rewritten in the %s layout\n", path.c_str(), variantName(kind));
        if (lib.CheckFileFormat(fromUtf8(path), kind) != kw5::kS_OK)
            batch.tell(path, std::string("note: the file still does not pass 'kw5tag check "
                                         "--variant ") +
                                 args.value("--variant") + "' (the writer adds no missing object)");
        return int(kExitOk);
    });
}

} // namespace kw5tag

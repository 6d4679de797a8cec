// kw5tag export-unknown / import-unknown: frames a host does not model,
// moved between files as one blob.
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Batch.h"
#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/TagFile.h"

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

namespace kw5tag {

namespace {

// Frame ids of the frame indices 1 to 19.
const char* const kFrameIds[] = {"TIT2", "TIT3", "TLEN", "TPUB", "WPUB", "TSRC", "TPE1",
                                 "WOAR", "TEXT", "TCOM", "TALB", "WCOM", "TXXX", "WXXX",
                                 "GEOB", "TCON", "WPAY", "TYER", "TPOS"};

// CoTaskMemFree is __stdcall on 32-bit Windows: call it, never store it as
// a plain function pointer.
struct TaskMemDeleter {
    void operator()(unsigned char* block) const { CoTaskMemFree(block); }
};

long parseNumber(const std::string& text, const std::string& what) {
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0')
        throw UsageError("'" + text + "' is not a number (" + what + ")");
    return value;
}

// FRAME:DESCINDEX, FRAME a frame index (1-19) or its frame id.
_StructProperty parseKnown(const std::string& text) {
    size_t colon = text.find(':');
    std::string frame = text.substr(0, colon);
    std::string desc = colon == std::string::npos ? "0" : text.substr(colon + 1);
    _StructProperty property = {0, 0};
    for (LONG i = 0; i < 19; ++i)
        if (frame == kFrameIds[i])
            property.frameIndex = i + 1;
    if (property.frameIndex == 0)
        property.frameIndex = static_cast<LONG>(parseNumber(frame, "frame index or id"));
    if (property.frameIndex < 1 || property.frameIndex > 19)
        throw UsageError("frame index " + frame + " is outside 1..19");
    property.descIndex = static_cast<LONG>(parseNumber(desc, "description index"));
    if (property.descIndex < 0 || property.descIndex > 163)
        throw UsageError("description index " + desc + " is outside 0..163");
    return property;
}

} // namespace

int runExportUnknown(const std::vector<std::string>& argv) {
    Args args(argv, {{"--output", "-o", true, false}, {"--known", "", true, true}});
    args.expectPositionals(1, 1,
                           "kw5tag export-unknown FILE -o BLOB [--known FRAME:DESCINDEX ...]");
    if (!args.has("--output"))
        throw UsageError("missing -o BLOB");
    std::vector<_StructProperty> properties;
    for (const auto& text : args.values("--known"))
        properties.push_back(parseKnown(text));
    std::vector<_StructProperty*> known;
    for (auto& property : properties)
        known.push_back(&property);

    Batch batch("export-unknown", args);
    return batch.run({args.positionals()[0]}, [&](const std::string& path) {
        TagFile file(path, KW5_OPEN_READONLY);
        unsigned char* blob = nullptr;
        ULONG blobSize = 0;
        HRESULT hr = file.lib().GetSDKUnknown(known, blob, blobSize);
        if (hr == kw5::kS_FALSE) {
            batch.tell(path, "every frame is among the known ones; no blob written");
            return int(kExitNotFound);
        }
        requireOk(hr, "cannot export the unknown frames");
        std::unique_ptr<unsigned char, TaskMemDeleter> owner(blob);
        writeWholeFile(args.value("--output"), blob, blobSize);
        std::printf("wrote %lu bytes of unknown frames to %s\n",
                    static_cast<unsigned long>(blobSize), args.value("--output").c_str());
        return int(kExitOk);
    });
}

int runImportUnknown(const std::vector<std::string>& argv) {
    Args args(argv, {{"--variant", "", true, false}});
    args.expectPositionals(2, 2, "kw5tag import-unknown FILE BLOB [--variant V]");
    std::string variant = args.value("--variant");
    if (args.has("--variant"))
        parseVariant(variant);
    std::vector<unsigned char> blob = readWholeFile(args.positionals()[1]);
    if (blob.empty() || blob.size() > static_cast<size_t>(std::numeric_limits<LONG>::max()))
        throw Failure("'" + args.positionals()[1] + "' is not a frame blob");
    Batch batch("import-unknown", args);
    return batch.run({args.positionals()[0]}, [&](const std::string& path) {
        TagFile file(path, KW5_OPEN_READWRITE);
        requireOk(file.lib().PutSDKUnknown(blob.data(), static_cast<LONG>(blob.size())),
                  "cannot import '" + args.positionals()[1] + "'");
        // After the import: a blob may bring the object that decides the layout.
        file.save(file.layoutToWrite(variant));
        return int(kExitOk);
    });
}

} // namespace kw5tag

// kw5tag show: every frame of the tag in file order.
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Batch.h"
#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/FrameWalker.h"
#include "tools/kw5tag/LayoutCheck.h"
#include "tools/kw5tag/TagFile.h"
#include "tools/kw5tag/Utf8.h"

#include <cstdio>
#include <map>

namespace kw5tag {

namespace {

struct Shown {
    FrameEntry entry;
    bool isObject = false; // a value that is bytes rather than text
    std::string text;      // UTF-8 value of text and URL frames
    std::string mimeType;
    uint32_t objectSize = 0;
    bool found = false;
};

bool isTextOrUrl(const std::string& id) {
    return !id.empty() && (id[0] == 'T' || id[0] == 'W') && id != "GEOB";
}

void fetchObject(CKW5VorletLib& lib, const KW5WString& id, const KW5WString& desc, Shown& s) {
    _StructBinVal value = {nullptr, 0, KW5WString()};
    _StructBinVal* record = &value;
    s.isObject = true;
    if (lib.GetBinaryFromDesc(id, desc, record) == kw5::kS_OK) {
        s.found = true;
        s.mimeType = toUtf8(value.mimeType);
        s.objectSize = value.dataSize;
        CoTaskMemFree(value.data);
    }
}

std::vector<Shown> collect(TagFile& file, const TagListing& listing) {
    std::vector<Shown> shown;
    std::map<std::string, size_t> seen; // occurrences of WOAR / WCOM so far
    for (const auto& entry : listing.frames) {
        Shown s;
        s.entry = entry;
        KW5WString id = fromUtf8(entry.id);
        if (entry.id == "GEOB") {
            fetchObject(file.lib(), id, entry.description, s);
        } else if (entry.id == "TXXX" || entry.id == "WXXX") {
            KW5WString value;
            if (file.lib().GetPropertyFromDesc(id, entry.description, value) == kw5::kS_OK) {
                s.found = true;
                s.text = toUtf8(value);
            }
        } else if (isTextOrUrl(entry.id)) {
            std::vector<KW5WString> values;
            size_t index = seen[entry.id]++;
            if (file.lib().GetPropertyFromId(id, values) == kw5::kS_OK && index < values.size()) {
                s.found = true;
                s.text = toUtf8(values[index]);
            }
        } else {
            fetchObject(file.lib(), id, KW5WString(), s);
        }
        shown.push_back(std::move(s));
    }
    return shown;
}

std::string encodingName(int encoding) {
    switch (encoding) {
    case 0:
        return "latin";
    case 1:
        return "utf16";
    case 2:
        return "utf16be";
    case -1:
        return "-";
    default:
        return "bad:" + std::to_string(encoding);
    }
}

// Which layout the file follows: the one its objects call for, and whether
// its tag passes that layout's check.
struct LayoutLine {
    LONG kind = KW5_FORMAT_STD;
    LayoutVerdict verdict;
};

void printText(const std::string& path, const TagListing& listing, const std::vector<Shown>& shown,
               const LayoutLine& layout) {
    if (!listing.hasTag) {
        std::printf("%s: no tag (%llu bytes of audio)\n", path.c_str(),
                    static_cast<unsigned long long>(listing.fileSize));
        return;
    }
    std::printf("%s: %s tag v2.%d.%d, %u bytes, %zu frame%s, %llu bytes of audio\n", path.c_str(),
                listing.magic.c_str(), listing.major, listing.revision, listing.tagSize,
                shown.size(), shown.size() == 1 ? "" : "s",
                static_cast<unsigned long long>(
                    listing.fileSize > listing.tagSize ? listing.fileSize - listing.tagSize : 0));
    for (const auto& s : shown) {
        std::string name = s.entry.id;
        if (!s.entry.description.empty() || s.entry.id == "TXXX" || s.entry.id == "WXXX" ||
            s.entry.id == "GEOB")
            name += ":" + toUtf8(s.entry.description);
        std::string value;
        if (!s.found)
            value = "(not readable)";
        else if (s.isObject)
            value = (s.mimeType.empty() ? std::string("binary") : s.mimeType) + ", " +
                    std::to_string(s.objectSize) + " bytes";
        else
            value = "\"" + s.text + "\"";
        std::printf("  %-24s flags %04x  %-8s %7u  %s\n", name.c_str(), s.entry.flags,
                    encodingName(s.entry.encoding).c_str(), s.entry.size, value.c_str());
    }
    std::printf("  layout: %s (%s); %s\n", variantName(layout.kind), layoutReason(layout.kind),
                verdictText(layout.verdict).c_str());
    if (!listing.problem.empty())
        std::printf("  warning: %s\n", listing.problem.c_str());
}

void printJson(const std::string& path, const TagListing& listing, const std::vector<Shown>& shown,
               const LayoutLine& layout) {
    std::printf("{\"file\":%s,\"hasTag\":%s", jsonString(path).c_str(),
                listing.hasTag ? "true" : "false");
    if (listing.hasTag)
        std::printf(",\"magic\":%s,\"version\":\"2.%d.%d\",\"tagSize\":%u,\"layout\":\"%s\","
                    "\"followsLayout\":%s",
                    jsonString(listing.magic).c_str(), listing.major, listing.revision,
                    listing.tagSize, variantName(layout.kind),
                    layout.verdict.follows ? "true" : "false");
    std::printf(",\"fileSize\":%llu,\"frames\":[",
                static_cast<unsigned long long>(listing.fileSize));
    for (size_t i = 0; i < shown.size(); ++i) {
        const auto& s = shown[i];
        std::printf("%s{\"id\":%s,\"description\":%s,\"flags\":%u,\"size\":%u", i ? "," : "",
                    jsonString(s.entry.id).c_str(), jsonString(toUtf8(s.entry.description)).c_str(),
                    s.entry.flags, s.entry.size);
        if (s.entry.encoding >= 0)
            std::printf(",\"encoding\":%d", s.entry.encoding);
        if (s.found && s.isObject)
            std::printf(",\"mimeType\":%s,\"objectSize\":%u", jsonString(s.mimeType).c_str(),
                        s.objectSize);
        else if (s.found)
            std::printf(",\"value\":%s", jsonString(s.text).c_str());
        std::printf("}");
    }
    std::printf("]");
    if (!listing.problem.empty())
        std::printf(",\"warning\":%s", jsonString(listing.problem).c_str());
    std::printf("}\n");
}

} // namespace

int runShow(const std::vector<std::string>& argv) {
    Args args(argv, batchOptions({{"--json", "", false, false}}));
    Batch batch("show", args);
    return batch.run(args.positionals(), [&](const std::string& path) {
        TagFile file(path, KW5_OPEN_READONLY);
        TagListing listing = listFrames(path);
        std::vector<Shown> shown = collect(file, listing);
        LayoutLine layout;
        layout.kind = file.ownLayout();
        try {
            if (listing.hasTag)
                layout.verdict = checkLayout(path, layout.kind);
        } catch (const Failure&) {
            layout.verdict.rule = "the check could not run";
        }
        if (args.has("--json"))
            printJson(path, listing, shown, layout);
        else
            printText(path, listing, shown, layout);
        return int(kExitOk);
    });
}

} // namespace kw5tag

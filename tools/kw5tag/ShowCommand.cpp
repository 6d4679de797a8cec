// kw5tag show: every frame of the tag in file order.
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Batch.h"
#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/FrameListing.h"
#include "tools/kw5tag/FrameWalker.h"
#include "tools/kw5tag/LayoutCheck.h"
#include "tools/kw5tag/TagFile.h"
#include "tools/kw5tag/Utf8.h"

#include <cstdio>

namespace kw5tag {

namespace {

// The frame in the file's bytes that the library listed as frame, for its
// body: the first not yet claimed with the same id and size.
const FrameEntry* bodyOf(const TagListing& listing, const ListedFrame& frame,
                         std::vector<bool>& claimed) {
    for (size_t i = 0; i < listing.frames.size(); ++i) {
        const FrameEntry& entry = listing.frames[i];
        if (!claimed[i] && entry.id == frame.id && entry.size == frame.size) {
            claimed[i] = true;
            return &entry;
        }
    }
    return nullptr;
}

std::string hexOf(const std::vector<unsigned char>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

// The layout the tag calls for, as TagFile::ownLayout decides it.
LONG ownLayout(const std::vector<ListedFrame>& shown) {
    LONG kind = KW5_FORMAT_STD;
    for (const auto& s : shown) {
        if (s.id != "GEOB" || !s.objectFound)
            continue;
        if (s.description == fromUtf8("VMK_LSI"))
            return KW5_FORMAT_GM;
        if (s.description == fromUtf8("VMK_ULINF"))
            kind = KW5_FORMAT_PRASK;
    }
    return kind;
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

void printText(const std::string& path, const TagListing& listing,
               const std::vector<ListedFrame>& shown, const LayoutLine& layout) {
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
        std::string name = s.id;
        if (!s.description.empty() || s.id == "TXXX" || s.id == "WXXX" || s.id == "GEOB")
            name += ":" + toUtf8(s.description);
        std::string value;
        if (!s.hasText && !s.objectFound)
            value = "(not readable)";
        else if (s.isObject)
            value = (s.mimeType.empty() ? std::string("binary") : toUtf8(s.mimeType)) + ", " +
                    std::to_string(s.objectSize) + " bytes";
        else
            value = "\"" + toUtf8(s.text) + "\"";
        std::printf("  %-24s flags %04x  %-8s %7u  %s\n", name.c_str(), s.flags,
                    encodingName(s.encoding).c_str(), s.size, value.c_str());
    }
    std::printf("  layout: %s (%s); %s\n", variantName(layout.kind), layoutReason(layout.kind),
                verdictText(layout.verdict).c_str());
    if (!listing.problem.empty())
        std::printf("  warning: %s\n", listing.problem.c_str());
}

void printJson(const std::string& path, const TagListing& listing,
               const std::vector<ListedFrame>& shown, const LayoutLine& layout, bool raw) {
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
    std::vector<bool> claimed(listing.frames.size(), false);
    for (size_t i = 0; i < shown.size(); ++i) {
        const auto& s = shown[i];
        std::printf("%s{\"id\":%s,\"description\":%s,\"flags\":%u,\"size\":%u", i ? "," : "",
                    jsonString(s.id).c_str(), jsonString(toUtf8(s.description)).c_str(), s.flags,
                    s.size);
        if (s.encoding >= 0)
            std::printf(",\"encoding\":%d", s.encoding);
        if (s.objectFound)
            std::printf(",\"mimeType\":%s,\"objectSize\":%u",
                        jsonString(toUtf8(s.mimeType)).c_str(), s.objectSize);
        else if (s.hasText)
            std::printf(",\"value\":%s", jsonString(toUtf8(s.text)).c_str());
        const FrameEntry* entry = raw ? bodyOf(listing, s, claimed) : nullptr;
        if (entry)
            std::printf(",\"body\":\"%s\"", hexOf(entry->body).c_str());
        std::printf("}");
    }
    std::printf("]");
    if (!listing.problem.empty())
        std::printf(",\"warning\":%s", jsonString(listing.problem).c_str());
    std::printf("}\n");
}

} // namespace

int runShow(const std::vector<std::string>& argv) {
    Args args(argv, batchOptions({{"--json", "", false, false}, {"--raw", "", false, false}}));
    if (args.has("--raw") && !args.has("--json"))
        throw UsageError("--raw goes with --json");
    Batch batch("show", args);
    return batch.run(args.positionals(), [&](const std::string& path) {
        std::vector<ListedFrame> shown = listLibraryFrames(path);
        TagListing listing = listFrames(path);
        LayoutLine layout;
        layout.kind = ownLayout(shown);
        try {
            if (listing.hasTag)
                layout.verdict = checkLayout(path, layout.kind);
        } catch (const Failure&) {
            layout.verdict.rule = "the check could not run";
        }
        if (args.has("--json"))
            printJson(path, listing, shown, layout, args.has("--raw"));
        else
            printText(path, listing, shown, layout);
        return int(kExitOk);
    });
}

} // namespace kw5tag

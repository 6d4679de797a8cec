#include "tools/kw5tag/FrameWalker.h"

#include "tools/kw5tag/Failure.h"

#include <filesystem>
#include <fstream>

namespace kw5tag {

namespace {

uint32_t syncsafe(const unsigned char* b) {
    return (uint32_t(b[0] & 0x7F) << 21) | (uint32_t(b[1] & 0x7F) << 14) |
           (uint32_t(b[2] & 0x7F) << 7) | uint32_t(b[3] & 0x7F);
}

uint32_t bigEndian(const unsigned char* b) {
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

// The ID3v2.3 frames the library keeps byte for byte beside the text, URL
// and object frames it decodes; any other id makes it refuse the tag.
bool isKnownId(const std::string& id) {
    static const char* const kept[] = {"AENC", "APIC", "COMM", "COMR", "ENCR", "EQUA", "ETCO",
                                       "GRID", "IPLS", "LINK", "MCDI", "MLLT", "OWNE", "PRIV",
                                       "PCNT", "POPM", "POSS", "RBUF", "RVAD", "RVRB", "SYLT",
                                       "SYTC", "UFID", "USER", "USLT"};
    if (id == "GEOB" || (!id.empty() && (id[0] == 'T' || id[0] == 'W')))
        return true;
    for (const char* known : kept)
        if (id == known)
            return true;
    return false;
}

std::string frameAt(const FrameEntry& frame) {
    return "frame " + frame.id + " at offset " + std::to_string(frame.offset);
}

bool carriesEncodingByte(const std::string& id) {
    if (id == "TXXX" || id == "WXXX" || id == "GEOB")
        return true;
    return !id.empty() && id[0] == 'T';
}

} // namespace

TagListing listFrames(const std::string& path) {
    TagListing listing;
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in)
        throw Failure("cannot read '" + path + "'");
    std::error_code ec;
    listing.fileSize = std::filesystem::file_size(std::filesystem::u8path(path), ec);

    unsigned char header[10] = {};
    in.read(reinterpret_cast<char*>(header), 10);
    if (in.gcount() < 10)
        return listing;
    listing.magic.assign(reinterpret_cast<char*>(header), 3);
    if (listing.magic != "kw5" && listing.magic != "ID3")
        return listing;
    listing.hasTag = true;
    listing.major = header[3];
    listing.revision = header[4];
    listing.headerFlags = header[5];
    listing.tagSize = syncsafe(header + 6) + 10;

    std::vector<unsigned char> tag(listing.tagSize - 10);
    in.read(reinterpret_cast<char*>(tag.data()), static_cast<std::streamsize>(tag.size()));
    tag.resize(static_cast<size_t>(in.gcount()));
    if (tag.size() + 10 < listing.tagSize)
        listing.problem = "the file ends inside its tag";

    size_t pos = 0;
    while (pos < tag.size()) {
        if (tag[pos] == 0 && (pos + 1 >= tag.size() || tag[pos + 1] == 0))
            break; // padding
        if (pos + 10 >= tag.size()) {
            listing.problem = "a frame header runs past the end of the tag";
            break;
        }
        FrameEntry entry;
        entry.id.assign(reinterpret_cast<char*>(&tag[pos]), 4);
        entry.offset = 10 + pos;
        entry.size = bigEndian(&tag[pos + 4]);
        entry.flags = (unsigned(tag[pos + 8]) << 8) | tag[pos + 9];
        pos += 10;
        if (entry.size > tag.size() - pos) {
            listing.problem = "frame " + entry.id + " runs past the end of the tag";
            break;
        }
        entry.body.assign(tag.begin() + static_cast<long>(pos),
                          tag.begin() + static_cast<long>(pos + entry.size));
        pos += entry.size;
        if (carriesEncodingByte(entry.id) && !entry.body.empty())
            entry.encoding = entry.body[0];
        listing.frames.push_back(std::move(entry));
    }
    return listing;
}

std::string tagProblem(const std::string& path) {
    TagListing listing = listFrames(path);
    if (!listing.hasTag)
        return "";
    if (listing.major != 3 || listing.revision != 0)
        return "the tag is of version 2." + std::to_string(listing.major) + "." +
               std::to_string(listing.revision) + "; only 2.3.0 is read";
    if (listing.headerFlags & 0x80)
        return "the tag is unsynchronised, which is not read";
    if (listing.headerFlags & 0x40)
        return "the tag has an extended header, which is not read";
    if (!listing.problem.empty())
        return listing.problem;
    for (const auto& frame : listing.frames) {
        for (char c : frame.id)
            if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
                return "the frame id at offset " + std::to_string(frame.offset) +
                       " holds bytes other than A-Z and 0-9";
        if (!isKnownId(frame.id))
            return frameAt(frame) + ": an unknown frame id";
        if (frame.encoding > 2)
            return frameAt(frame) + " has text encoding " + std::to_string(frame.encoding) +
                   ", which version 2.3 does not define";
    }
    return "";
}

std::string sealedFrameProblem(const std::string& path, const std::string& id) {
    for (const auto& frame : listFrames(path).frames) {
        if (frame.id != id)
            continue;
        if (frame.flags & 0x80)
            return frameAt(frame) + " is compressed; its value is not read";
        if (frame.flags & 0x40)
            return frameAt(frame) + " is encrypted; its value is not read";
    }
    return "";
}

} // namespace kw5tag

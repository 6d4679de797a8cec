#include "tools/kw5tag/FrameWalker.h"

#include "tools/kw5tag/Failure.h"

#include <filesystem>
#include <fstream>

namespace kw5tag {

namespace {

// Windows-1252 differs from Latin-1 in 0x80..0x9F.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t syncsafe(const unsigned char* b) {
    return (uint32_t(b[0] & 0x7F) << 21) | (uint32_t(b[1] & 0x7F) << 14) |
           (uint32_t(b[2] & 0x7F) << 7) | uint32_t(b[3] & 0x7F);
}

uint32_t bigEndian(const unsigned char* b) {
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

// One terminated text of a body, starting at pos; pos moves past it.
KW5WString readText(const std::vector<unsigned char>& body, size_t& pos, int encoding) {
    KW5WString text;
    if (encoding == 0 || encoding < 0) {
        std::string bytes;
        while (pos < body.size() && body[pos] != 0)
            bytes += static_cast<char>(body[pos++]);
        ++pos;
        return fromWindows1252(bytes);
    }
    bool bigEndianUnits = encoding == 2;
    if (encoding == 1 && pos + 1 < body.size()) {
        if (body[pos] == 0xFF && body[pos + 1] == 0xFE) {
            pos += 2;
        } else if (body[pos] == 0xFE && body[pos + 1] == 0xFF) {
            bigEndianUnits = true;
            pos += 2;
        }
    }
    while (pos + 1 < body.size()) {
        unsigned a = body[pos], b = body[pos + 1];
        pos += 2;
        if (a == 0 && b == 0)
            return text;
        text.push_back(static_cast<KW5WChar>(bigEndianUnits ? (a << 8 | b) : (b << 8 | a)));
    }
    pos = body.size() + 2;
    return text;
}

KW5WString descriptionOf(const std::string& id, const std::vector<unsigned char>& body) {
    if (body.empty())
        return KW5WString();
    int encoding = body[0];
    size_t pos = 1;
    if (id == "GEOB") {
        readText(body, pos, 0); // MIME type
        readText(body, pos, encoding);
    }
    return readText(body, pos, encoding);
}

bool carriesEncodingByte(const std::string& id) {
    if (id == "TXXX" || id == "WXXX" || id == "GEOB")
        return true;
    return !id.empty() && id[0] == 'T';
}

} // namespace

KW5WString fromWindows1252(const std::string& bytes) {
    KW5WString out;
    for (char c : bytes) {
        unsigned char b = static_cast<unsigned char>(c);
        out.push_back(static_cast<KW5WChar>(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b));
    }
    return out;
}

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
        entry.size = bigEndian(&tag[pos + 4]);
        entry.flags = static_cast<uint16_t>(tag[pos + 8] | (tag[pos + 9] << 8));
        pos += 10;
        if (entry.size > tag.size() - pos) {
            listing.problem = "frame " + entry.id + " runs past the end of the tag";
            break;
        }
        std::vector<unsigned char> body(tag.begin() + static_cast<long>(pos),
                                        tag.begin() + static_cast<long>(pos + entry.size));
        pos += entry.size;
        if (carriesEncodingByte(entry.id) && !body.empty())
            entry.encoding = body[0];
        if (entry.id == "TXXX" || entry.id == "WXXX" || entry.id == "GEOB")
            entry.description = descriptionOf(entry.id, body);
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
                return "a frame id holds bytes other than A-Z and 0-9";
        if (frame.encoding > 2)
            return "frame " + frame.id + " has text encoding " + std::to_string(frame.encoding) +
                   ", which version 2.3 does not define";
    }
    return "";
}

} // namespace kw5tag

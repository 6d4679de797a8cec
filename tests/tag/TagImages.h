// Frames and tag images written out byte by byte, so that the library under
// test never builds its own expectations. Shared by the tag, fields and
// format suites.
#ifndef KW5_TESTS_TAG_TAGIMAGES_H
#define KW5_TESTS_TAG_TAGIMAGES_H

#include "kw5/KW5FileRet.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace kw5img {

using kw5test::hex;
using kw5test::toHex;
typedef std::vector<unsigned char> Bytes;

// Short names of the result codes, for the tables.
const _KW5_FILE_RET OK = KW5_FILE_RET_OK, FAILED = KW5_FILE_RET_FAILED,
                    BAD_DATA = KW5_FILE_RET_INVALID_DATA,
                    BAD_PARAM = KW5_FILE_RET_INVALID_PARAMETER,
                    BAD_LAYOUT = KW5_FILE_RET_BAD_LAYOUT, NOT_FOUND = KW5_FILE_RET_NOT_FOUND,
                    READ_ONLY = KW5_FILE_RET_READ_ONLY, NOT_IMPL = KW5_FILE_RET_NOT_IMPLEMENTED;

inline Bytes str(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// UTF-16 big-endian units of ASCII text, no terminator.
inline Bytes be16(const std::string& ascii) {
    Bytes out;
    for (char c : ascii)
        out.insert(out.end(), {0, static_cast<unsigned char>(c)});
    return out;
}

// Id, big-endian size, the flag word low byte first, body.
inline Bytes frame(std::string id, const Bytes& body, uint16_t flags = 0) {
    const size_t n = body.size();
    id.resize(4, 0);
    return cat(
        {str(id),
         Bytes{Bytes::value_type(n >> 24), Bytes::value_type(n >> 16), Bytes::value_type(n >> 8),
               Bytes::value_type(n), Bytes::value_type(flags), Bytes::value_type(flags >> 8)},
         body});
}

// Header (magic, version, revision, flags 00, syncsafe size), frames, padding.
inline Bytes image(const Bytes& frames, size_t padding = 0, const std::string& magic = "kw5",
                   unsigned char version = 3, unsigned char revision = 0) {
    const uint32_t n = static_cast<uint32_t>(frames.size() + padding);
    Bytes out = cat({str(magic), Bytes{version, revision, 0}});
    for (int shift = 21; shift >= 0; shift -= 7)
        out.push_back(static_cast<unsigned char>((n >> shift) & 0x7F));
    out = cat({out, frames});
    out.resize(out.size() + padding, 0);
    return out;
}

// Objects: MIME type "binary", an empty file name, description, data.
inline Bytes geob0(const std::string& d, const Bytes& data = {1, 2, 3}) {
    return cat({Bytes{0}, str("binary"), Bytes{0, 0}, str(d), Bytes{0}, data});
}
inline Bytes geob2(const std::string& d, const Bytes& data = {1, 2, 3}) {
    return cat({Bytes{2}, str("binary"), Bytes{0, 0, 0}, be16(d), Bytes{0, 0}, data});
}

// Frames from a line of tokens "ID.kind=arg" ("ID!" sets the read-only flag
// 0x2000): t0 / t2 text in encoding 0 (bytes) or 2 (UTF-16 BE), u0 / u2 user
// text "description|value", w2 user URL, g0 / g2 object with that
// description, s ASCII bytes, h hex bytes joined by '_'.
inline std::vector<Bytes> frameList(const std::string& spec) {
    std::vector<Bytes> out;
    std::istringstream in(spec);
    for (std::string token; in >> token;) {
        const size_t dot = token.find('.'), eq = token.find('=');
        const std::string id = token.substr(0, dot), arg = token.substr(eq + 1);
        const std::string kind = token.substr(dot + 1, eq - dot - 1);
        const size_t bar = arg.find('|');
        const std::string d = arg.substr(0, bar), v = bar == arg.npos ? "" : arg.substr(bar + 1);
        std::string spaced = arg;
        std::replace(spaced.begin(), spaced.end(), '_', ' ');
        const Bytes wide = kind[1] == '2' ? cat({be16(d), Bytes{0, 0}}) : cat({str(d), Bytes{0}});
        out.push_back(frame(id,
                            kind == "t0"   ? cat({Bytes{0}, str(arg)})
                            : kind == "t2" ? cat({Bytes{2}, be16(arg)})
                            : kind == "u0" ? cat({Bytes{0}, wide, str(v)})
                            : kind == "u2" ? cat({Bytes{2}, wide, be16(v)})
                            : kind == "w2" ? cat({Bytes{2}, wide, str(v)})
                            : kind == "g0" ? geob0(arg)
                            : kind == "g2" ? geob2(arg)
                            : kind == "h"  ? hex(spaced)
                                           : str(arg),
                            id.back() == '!' ? 0x2000 : 0));
    }
    return out;
}

inline Bytes frames(const std::string& spec) {
    Bytes out;
    for (const Bytes& f : frameList(spec))
        out = cat({out, f});
    return out;
}

// "ID" or "ID:description" of each frame from `pos` up to padding or the end
// (descriptions of TXXX / WXXX / GEOB in encodings 0 and 2, read as ASCII).
inline std::string names(const Bytes& in, size_t pos = 0) {
    std::string out;
    while (pos + 10 <= in.size() && in[pos] != 0) {
        const std::string id(in.begin() + pos, in.begin() + pos + 4);
        const size_t size = size_t(in[pos + 4]) << 24 | size_t(in[pos + 5]) << 16 |
                            size_t(in[pos + 6]) << 8 | in[pos + 7];
        const size_t end = pos + 10 + size;
        size_t at = pos + 11;
        const unsigned char enc = size ? in[pos + 10] : 9;
        out += (out.empty() ? "" : " ") + id;
        if (end > in.size())
            return out + "!";
        if (id == "GEOB")
            for (int skip = 0; skip < 2; ++skip) // MIME type (narrow), file name
                for (bool narrow = skip == 0; at < end;)
                    if (narrow || enc == 0 ? in[at++] == 0
                                           : (at += 2, in[at - 2] | in[at - 1]) == 0)
                        break;
        if ((id == "GEOB" || id == "TXXX" || id == "WXXX") && (enc == 0 || enc == 2)) {
            out += ":";
            for (; at + (enc == 2) < end && (in[at] | (enc ? in[at + 1] : 0)); at += 1 + (enc == 2))
                out += static_cast<char>(in[at + (enc == 2)]);
        }
        pos = end;
    }
    return out;
}

} // namespace kw5img

#endif

// Builders of raw frames and tag images for the tag-model tests.
#ifndef KW5_TESTS_TAG_TAGTESTBYTES_H
#define KW5_TESTS_TAG_TAGTESTBYTES_H

#include <cstdint>
#include <string>
#include <vector>

namespace tagtest {

typedef std::vector<unsigned char> Bytes;

inline Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// id, plain big-endian size, flags little-endian, body.
inline Bytes frame(const std::string& id, const Bytes& body, uint16_t flags = 0) {
    Bytes out(id.begin(), id.end());
    out.resize(4, 0);
    const uint32_t size = static_cast<uint32_t>(body.size());
    out.push_back(static_cast<unsigned char>(size >> 24));
    out.push_back(static_cast<unsigned char>(size >> 16));
    out.push_back(static_cast<unsigned char>(size >> 8));
    out.push_back(static_cast<unsigned char>(size));
    out.push_back(static_cast<unsigned char>(flags & 0xFF));
    out.push_back(static_cast<unsigned char>(flags >> 8));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// Text frame body in encoding 0.
inline Bytes textBody(const std::string& value) {
    return concat({Bytes{0}, bytesOf(value)});
}

// TXXX / WXXX body in encoding 0: description, terminator, value.
inline Bytes userBody(const std::string& description, const std::string& value) {
    return concat({Bytes{0}, bytesOf(description), Bytes{0}, bytesOf(value)});
}

// GEOB body: encoding, MIME type, file name, description, data.
inline Bytes objectBody(const std::string& description, const Bytes& data,
                        unsigned char encoding = 0) {
    return concat({Bytes{encoding}, bytesOf("binary"), Bytes{0}, Bytes{0}, bytesOf(description),
                   Bytes{0}, data});
}

// A tag header with the given magic and version, and the syncsafe size of
// everything that follows, then the frames and padding zero bytes.
inline Bytes tagImage(const Bytes& frames, size_t padding = 0, const std::string& magic = "kw5",
                      unsigned char version = 3) {
    Bytes out(magic.begin(), magic.end());
    out.push_back(version);
    out.push_back(0);
    out.push_back(0);
    const uint32_t size = static_cast<uint32_t>(frames.size() + padding);
    out.push_back(static_cast<unsigned char>((size >> 21) & 0x7F));
    out.push_back(static_cast<unsigned char>((size >> 14) & 0x7F));
    out.push_back(static_cast<unsigned char>((size >> 7) & 0x7F));
    out.push_back(static_cast<unsigned char>(size & 0x7F));
    out.insert(out.end(), frames.begin(), frames.end());
    out.resize(out.size() + padding, 0);
    return out;
}

} // namespace tagtest

#endif

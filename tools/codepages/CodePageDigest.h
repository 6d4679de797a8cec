// One 64-bit digest over every conversion of a code page that a table must
// get right: each single byte and each two-byte sequence to UTF-16, and each
// UTF-16 unit back to bytes. The table generator computes it from the Win32
// converters, the tests from the library's own; equal digests mean equal
// tables. Standard C++ only: it builds for Windows and POSIX alike.
#ifndef KW5_TOOLS_CODEPAGES_CODEPAGEDIGEST_H
#define KW5_TOOLS_CODEPAGES_CODEPAGEDIGEST_H

#include <cstdint>
#include <string>
#include <vector>

namespace kw5codepages {

class Digest {
public:
    void add(uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            hash_ ^= (value >> (8 * i)) & 0xFF;
            hash_ *= 0x100000001B3ull;
        }
    }
    uint64_t value() const { return hash_; }

private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

// toWide(bytes, units) and toNarrow(units, bytes) return false on failure.
// Bytes and units 0 are left out: every conversion stops at them.
template <class ToWide>
uint64_t wideDigest(ToWide toWide) {
    Digest digest;
    std::vector<uint16_t> units;
    auto step = [&](const std::string& bytes) {
        units.clear();
        const bool ok = toWide(bytes, units);
        digest.add(ok ? units.size() : 0xFFFFFFFFu);
        for (uint16_t unit : units)
            digest.add(unit);
    };
    for (int b = 1; b < 256; ++b)
        step(std::string(1, char(b)));
    for (int lead = 0x80; lead < 256; ++lead)
        for (int trail = 1; trail < 256; ++trail)
            step(std::string{char(lead), char(trail)});
    return digest.value();
}

template <class ToNarrow>
uint64_t narrowDigest(ToNarrow toNarrow) {
    Digest digest;
    std::string bytes;
    for (uint32_t unit = 1; unit < 0x10000; ++unit) {
        bytes.clear();
        const bool ok = toNarrow(std::vector<uint16_t>(1, uint16_t(unit)), bytes);
        digest.add(ok ? bytes.size() : 0xFFFFFFFFu);
        for (char byte : bytes)
            digest.add(static_cast<unsigned char>(byte));
    }
    return digest.value();
}

} // namespace kw5codepages

#endif

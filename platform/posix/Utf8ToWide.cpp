#include "platform/posix/Utf8ToWide.h"

namespace kw5platform {

namespace {

const unsigned int kInvalid = ~0u;

// Continuation bytes a lead byte announces (0x80 to 0xFF); 0 for bytes that
// lead nothing (continuations, C0, C1, F5 and above).
unsigned int followers(unsigned int lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 1;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 2;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 3;
    return 0;
}

// Decodes the sequence whose lead byte was just taken; at moves past every
// byte that belongs to it, also when it turns out ill-formed (kInvalid).
unsigned int decode(unsigned int lead, const unsigned char*& at, const unsigned char* end) {
    static const unsigned char kMask[4] = {0x7F, 0x1F, 0x0F, 0x07};
    const unsigned int count = followers(lead);
    unsigned int value = lead & kMask[count];
    if (count == 0)
        return kInvalid;
    if (size_t(end - at) < count) {
        at = end;
        return kInvalid;
    }
    const unsigned char* last = at + count;
    unsigned int next;
    switch (count) {
    case 3:
        if ((next = last[-3] ^ 0x80u) >= 0x40)
            return kInvalid;
        value = value << 6 | next;
        ++at;
        if (value < 0x10) // overlong
            return kInvalid;
        // fall through
    case 2:
        if ((next = last[-2] ^ 0x80u) >= 0x40)
            return kInvalid;
        value = value << 6 | next;
        if (value >= 0x110) // beyond U+10FFFF
            return kInvalid;
        ++at;
        if (value < 0x20) // overlong
            return kInvalid;
        if (value >= 0x360 && value < 0x380) // surrogates
            return kInvalid;
        // fall through
    default:
        if ((next = last[-1] ^ 0x80u) >= 0x40)
            return kInvalid;
        value = value << 6 | next;
        ++at;
        if (value < 0x80) // overlong
            return kInvalid;
        return value;
    }
}

} // namespace

void utf8ToWide(const unsigned char* bytes, size_t length, KW5WString& wide) {
    wide.clear();
    wide.reserve(length);
    const unsigned char* at = bytes;
    const unsigned char* end = bytes + length;
    while (at < end) {
        const unsigned int lead = *at++;
        if (lead < 0x80) {
            wide.push_back(static_cast<KW5WChar>(lead));
            continue;
        }
        const unsigned int value = decode(lead, at, end);
        if (value == kInvalid) {
            wide.push_back(static_cast<KW5WChar>(0xFFFD));
        } else if (value > 0xFFFF) {
            wide.push_back(static_cast<KW5WChar>(0xD800 | ((value - 0x10000) >> 10)));
            wide.push_back(static_cast<KW5WChar>(0xDC00 | ((value - 0x10000) & 0x3FF)));
        } else {
            wide.push_back(static_cast<KW5WChar>(value));
        }
    }
}

} // namespace kw5platform

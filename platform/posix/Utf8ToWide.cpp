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

// The range the first continuation byte must bring a sequence into:
// value is the lead's bits with that byte's six appended. Below it the
// sequence is overlong; three-byte sequences must not name a surrogate and
// four-byte ones must stay at or below U+10FFFF.
bool firstStepInRange(unsigned int count, unsigned int value) {
    if (count == 3)
        return value >= 0x10 && value < 0x110;
    if (count == 2)
        return value >= 0x20 && !(value >= 0x360 && value < 0x380);
    return true; // C2..DF already exclude the overlong two-byte forms
}

// Decodes the sequence whose lead byte was just taken. A sequence cut short
// by the end of the text takes the rest of it; a continuation byte out of
// range is taken with the lead when it is the first one and left for the
// next character otherwise. That is how Windows reads UTF-8.
unsigned int decode(unsigned int lead, const unsigned char*& at, const unsigned char* end) {
    static const unsigned char kMask[4] = {0x7F, 0x1F, 0x0F, 0x07};
    const unsigned int count = followers(lead);
    if (count == 0)
        return kInvalid;
    if (size_t(end - at) < count) {
        at = end;
        return kInvalid;
    }
    unsigned int value = lead & kMask[count];
    for (unsigned int step = 0; step < count; ++step) {
        const unsigned int next = *at ^ 0x80u;
        if (next >= 0x40)
            return kInvalid;
        value = value << 6 | next;
        ++at;
        if (step == 0 && !firstStepInRange(count, value))
            return kInvalid;
    }
    return value;
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

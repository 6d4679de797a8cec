#include "platform/UnicodeText.h"

namespace kw5platform {

namespace {

const char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void appendUtf16(KW5WString& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<KW5WChar>(0xD800 + (cp >> 10));
        out += static_cast<KW5WChar>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<KW5WChar>(cp);
    }
}

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}
bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}

} // namespace

std::string utf16ToUtf8(const KW5WChar* text, size_t length) {
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        char32_t unit = static_cast<char16_t>(text[i]);
        if (isHighSurrogate(unit)) {
            char32_t next = i + 1 < length ? static_cast<char16_t>(text[i + 1]) : 0;
            if (isLowSurrogate(next)) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
            } else {
                appendUtf8(out, kReplacement);
            }
        } else if (isLowSurrogate(unit)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::string utf16ToUtf8(const KW5WString& text) {
    return utf16ToUtf8(text.data(), text.size());
}

KW5WString utf8ToUtf16(const std::string& text) {
    KW5WString out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra;
        char32_t cp;
        char32_t minimum;
        if (lead < 0x80) {
            extra = 0;
            cp = lead;
            minimum = 0;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07;
            minimum = 0x10000;
        } else {
            appendUtf16(out, kReplacement);
            ++i;
            continue;
        }
        size_t end = i + 1;
        bool valid = true;
        for (int k = 0; k < extra; ++k, ++end) {
            if (end >= text.size() || (static_cast<unsigned char>(text[end]) & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(text[end]) & 0x3F);
        }
        // Overlong forms, surrogate code points and values past U+10FFFF are
        // not characters; each such sequence counts as one bad byte.
        if (!valid || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
            appendUtf16(out, kReplacement);
            ++i;
            continue;
        }
        appendUtf16(out, cp);
        i = end;
    }
    return out;
}

} // namespace kw5platform

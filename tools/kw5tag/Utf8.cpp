#include "tools/kw5tag/Utf8.h"

namespace kw5tag {

namespace {

const char32_t kReplacement = 0xFFFD;

void appendUnit(KW5WString& out, char32_t cp) {
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
        cp -= 0x10000;
        out.push_back(static_cast<KW5WChar>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<KW5WChar>(0xDC00 + (cp & 0x3FF)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<KW5WChar>(cp));
    } else {
        out.push_back(static_cast<KW5WChar>(kReplacement));
    }
}

} // namespace

KW5WString fromUtf8(const std::string& text) {
    KW5WString out;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0) {
            appendUnit(out, kReplacement);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        size_t k = 1;
        for (; k <= static_cast<size_t>(extra) && i + k < text.size(); ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                break;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (k != static_cast<size_t>(extra) + 1) {
            appendUnit(out, kReplacement);
            i += k;
            continue;
        }
        appendUnit(out, cp);
        i += k;
    }
    return out;
}

std::string toUtf8(const KW5WString& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = static_cast<char16_t>(text[i]);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size()) {
            char32_t low = static_cast<char16_t>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp >= 0xD800 && cp < 0xE000)
            cp = kReplacement;
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
    return out;
}

} // namespace kw5tag

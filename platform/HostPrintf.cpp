#include "platform/HostPrintf.h"

#include "platform/Types.h"
#include "platform/UnicodeText.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace kw5platform {

namespace {

// Widths and precisions beyond this are clamped: a log line has no use for
// them and snprintf would have to produce them in full.
const long kMaxFieldLength = 65535;

enum class Length {
    None,
    Char,
    Short,
    Long,
    LongLong,
    IntMax,
    Size,
    PtrDiff,
    LongDouble,
    Int32,
    Int64
};

struct Conversion {
    std::string flags;
    long width = -1;
    long precision = -1;
    Length length = Length::None;
    char type = 0;

    // "%<flags><width>.<precision><modifier><type>" for one snprintf call.
    std::string spec(const char* modifier, char conversion, bool withPrecision) const {
        std::string out = "%" + flags;
        if (width >= 0)
            out += std::to_string(width);
        if (withPrecision && precision >= 0)
            out += "." + std::to_string(precision);
        out += modifier;
        out += conversion;
        return out;
    }
};

template <typename T> void appendPiece(std::string& out, const std::string& spec, T value) {
    int count = std::snprintf(nullptr, 0, spec.c_str(), value);
    if (count <= 0)
        return;
    size_t start = out.size();
    out.resize(start + static_cast<size_t>(count) + 1);
    std::snprintf(&out[start], static_cast<size_t>(count) + 1, spec.c_str(), value);
    out.resize(start + static_cast<size_t>(count));
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

long readNumber(const char*& p) {
    long value = 0;
    while (isDigit(*p)) {
        if (value <= kMaxFieldLength)
            value = value * 10 + (*p - '0');
        ++p;
    }
    return value > kMaxFieldLength ? kMaxFieldLength : value;
}

Length readLength(const char*& p) {
    switch (*p) {
    case 'h':
        ++p;
        if (*p == 'h') {
            ++p;
            return Length::Char;
        }
        return Length::Short;
    case 'l':
        ++p;
        if (*p == 'l') {
            ++p;
            return Length::LongLong;
        }
        return Length::Long;
    case 'j':
        ++p;
        return Length::IntMax;
    case 'z':
        ++p;
        return Length::Size;
    case 't':
        ++p;
        return Length::PtrDiff;
    case 'L':
        ++p;
        return Length::LongDouble;
    case 'I':
        if (p[1] == '6' && p[2] == '4') {
            p += 3;
            return Length::Int64;
        }
        if (p[1] == '3' && p[2] == '2') {
            p += 3;
            return Length::Int32;
        }
        ++p;
        return Length::Size;
    default:
        return Length::None;
    }
}

long long readSigned(va_list* args, Length length) {
    switch (length) {
    case Length::Char:
        return static_cast<signed char>(va_arg(*args, int));
    case Length::Short:
        return static_cast<short>(va_arg(*args, int));
    case Length::Long:
        return va_arg(*args, long);
    case Length::LongLong:
    case Length::LongDouble:
        return va_arg(*args, long long);
    case Length::IntMax:
        return va_arg(*args, intmax_t);
    case Length::Size:
    case Length::PtrDiff:
        return va_arg(*args, ptrdiff_t);
    case Length::Int32:
        return va_arg(*args, int32_t);
    case Length::Int64:
        return va_arg(*args, int64_t);
    case Length::None:
        break;
    }
    return va_arg(*args, int);
}

unsigned long long readUnsigned(va_list* args, Length length) {
    switch (length) {
    case Length::Char:
        return static_cast<unsigned char>(va_arg(*args, unsigned int));
    case Length::Short:
        return static_cast<unsigned short>(va_arg(*args, unsigned int));
    case Length::Long:
        return va_arg(*args, unsigned long);
    case Length::LongLong:
    case Length::LongDouble:
        return va_arg(*args, unsigned long long);
    case Length::IntMax:
        return va_arg(*args, uintmax_t);
    case Length::Size:
    case Length::PtrDiff:
        return va_arg(*args, size_t);
    case Length::Int32:
        return va_arg(*args, uint32_t);
    case Length::Int64:
        return va_arg(*args, uint64_t);
    case Length::None:
        break;
    }
    return va_arg(*args, unsigned int);
}

// The UTF-8 form of a host string, reading at most `limit` units when the
// limit is not negative.
std::string hostText(const KW5WChar* text, long limit) {
    size_t length = 0;
    while ((limit < 0 || length < static_cast<size_t>(limit)) && text[length] != 0)
        ++length;
    // A pair cut by the precision would leave half a character.
    if (limit >= 0 && length == static_cast<size_t>(limit) && length > 0) {
        char16_t last = static_cast<char16_t>(text[length - 1]);
        if (last >= 0xD800 && last < 0xDC00)
            --length;
    }
    return utf16ToUtf8(text, length);
}

void appendHostString(std::string& out, const Conversion& c, va_list* args) {
    const KW5WChar* text = va_arg(*args, const KW5WChar*);
    std::string utf8 = text ? hostText(text, c.precision) : std::string("(null)");
    appendPiece(out, c.spec("", 's', false), utf8.c_str());
}

void appendHostChar(std::string& out, const Conversion& c, va_list* args) {
    KW5WChar unit = static_cast<KW5WChar>(va_arg(*args, int));
    std::string utf8 = utf16ToUtf8(&unit, 1);
    appendPiece(out, c.spec("", 's', false), utf8.c_str());
}

void appendNarrowString(std::string& out, const Conversion& c, va_list* args) {
    const char* text = va_arg(*args, const char*);
    appendPiece(out, c.spec("", 's', true), text ? text : "(null)");
}

bool isWideLength(Length length) {
    return length == Length::Long || length == Length::LongLong;
}

// Formats one conversion; false when the conversion is not known.
bool appendConversion(std::string& out, const Conversion& c, va_list* args) {
    switch (c.type) {
    case 'd':
    case 'i':
        appendPiece(out, c.spec("ll", c.type, true), readSigned(args, c.length));
        return true;
    case 'u':
    case 'o':
    case 'x':
    case 'X':
        appendPiece(out, c.spec("ll", c.type, true), readUnsigned(args, c.length));
        return true;
    case 'c':
        if (isWideLength(c.length))
            appendHostChar(out, c, args);
        else
            appendPiece(out, c.spec("", 'c', false), va_arg(*args, int));
        return true;
    case 'C':
        if (c.length == Length::Short)
            appendPiece(out, c.spec("", 'c', false), va_arg(*args, int));
        else
            appendHostChar(out, c, args);
        return true;
    case 's':
        if (isWideLength(c.length))
            appendHostString(out, c, args);
        else
            appendNarrowString(out, c, args);
        return true;
    case 'S':
        if (c.length == Length::Short)
            appendNarrowString(out, c, args);
        else
            appendHostString(out, c, args);
        return true;
    case 'p':
        appendPiece(out, c.spec("", 'p', false), va_arg(*args, void*));
        return true;
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        if (c.length == Length::LongDouble)
            appendPiece(out, c.spec("L", c.type, true), va_arg(*args, long double));
        else
            appendPiece(out, c.spec("", c.type, true), va_arg(*args, double));
        return true;
    case 'n':
        // Writing through a caller's pointer has no place in a log line.
        (void)va_arg(*args, void*);
        return true;
    default:
        return false;
    }
}

void formatInto(std::string& out, const char* format, va_list* args) {
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            const char* next = std::strchr(p, '%');
            size_t run = next ? static_cast<size_t>(next - p) : std::strlen(p);
            out.append(p, run);
            p += run;
            continue;
        }
        const char* start = p++;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        Conversion c;
        while (*p && std::strchr("-+ #0", *p))
            c.flags += *p++;
        if (*p == '*') {
            ++p;
            long width = va_arg(*args, int);
            if (width < 0) {
                c.flags += '-';
                width = -width;
            }
            c.width = width > kMaxFieldLength ? kMaxFieldLength : width;
        } else if (isDigit(*p)) {
            c.width = readNumber(p);
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                ++p;
                long precision = va_arg(*args, int);
                // A negative precision counts as none.
                c.precision = precision > kMaxFieldLength ? kMaxFieldLength : precision;
                if (c.precision < 0)
                    c.precision = -1;
            } else {
                c.precision = readNumber(p);
            }
        }
        c.length = readLength(p);
        c.type = *p;
        if (c.type == 0 || !appendConversion(out, c, args)) {
            out += start;
            return;
        }
        ++p;
    }
}

} // namespace

std::string formatHostV(const char* format, va_list args) {
    std::string out;
    if (!format)
        return out;
    va_list copy;
    va_copy(copy, args);
    formatInto(out, format, &copy);
    va_end(copy);
    return out;
}

std::string formatHost(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = formatHostV(format, args);
    va_end(args);
    return out;
}

} // namespace kw5platform

#include "fields/KW5TextDecode.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <new>

namespace kw5fields {

namespace {

size_t wholeUnitBytes(size_t length) {
    return length & ~size_t(1);
}

bool startsWith(const unsigned char* bytes, size_t length, unsigned char first,
                unsigned char second) {
    return length >= 2 && bytes[0] == first && bytes[1] == second;
}

void appendUnchanged(const unsigned char* bytes, size_t length, std::vector<unsigned char>& out) {
    out.insert(out.end(), bytes, bytes + wholeUnitBytes(length));
}

// Encoding 1: the first unit stands where the mark belongs, whatever it
// holds (FE FF makes the rest big-endian), unless the value is one unit that
// is no mark. A text after a NUL unit may carry its own mark: it sets the
// order of that text and is no character either.
void appendEncoding1(const unsigned char* bytes, size_t length, std::vector<unsigned char>& out) {
    bool bigEndian = startsWith(bytes, length, 0xFE, 0xFF);
    const bool marked = bigEndian || startsWith(bytes, length, 0xFF, 0xFE);
    size_t pos = marked || length >= 3 ? 2 : 0;
    bool textStart = false;
    for (; pos + 1 < length; pos += 2) {
        const unsigned char a = bytes[pos];
        const unsigned char b = bytes[pos + 1];
        if (textStart) {
            textStart = false;
            if ((a == 0xFF && b == 0xFE) || (a == 0xFE && b == 0xFF)) {
                bigEndian = a == 0xFE;
                continue;
            }
        }
        out.push_back(bigEndian ? a : b);
        out.push_back(bigEndian ? b : a);
        textStart = a == 0 && b == 0;
    }
}

KW5WString upToNul(KW5WString units) {
    units.resize(std::find(units.begin(), units.end(), KW5WChar(0)) - units.begin());
    return units;
}

} // namespace

_KW5_FILE_RET makeNarrowString(const unsigned char* bytes, ULONG length, std::string& narrow) {
    if (length == 0)
        return KW5_FILE_RET_OK;
    if (!bytes)
        return KW5_FILE_RET_NULL_POINTER;
    const unsigned char* end = std::find(bytes, bytes + length, 0x00);
    if (end == bytes)
        narrow.assign(1, '\0');
    else
        narrow.assign(reinterpret_cast<const char*>(bytes), end - bytes);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET decodeToUtf16BE(unsigned char encoding, const unsigned char* bytes, ULONG length,
                              std::vector<unsigned char>& utf16BE) {
    utf16BE.clear();
    if (length == 0)
        return KW5_FILE_RET_OK;
    if (!bytes)
        return KW5_FILE_RET_NULL_POINTER;
    try {
        switch (encoding) {
        case 0: {
            std::string narrow;
            _KW5_FILE_RET result = makeNarrowString(bytes, length, narrow);
            if (result != KW5_FILE_RET_OK)
                return result;
            KW5WString wide;
            if (!kw5platform::convertToWide(narrow, wide))
                return KW5_FILE_RET_BUFFER_ERROR;
            for (KW5WChar unit : wide) {
                const unsigned int value = static_cast<unsigned int>(unit) & 0xFFFF;
                utf16BE.push_back(static_cast<unsigned char>(value >> 8));
                utf16BE.push_back(static_cast<unsigned char>(value & 0xFF));
            }
            return KW5_FILE_RET_OK;
        }
        case 1:
            appendEncoding1(bytes, length, utf16BE);
            return KW5_FILE_RET_OK;
        case 2:
            appendUnchanged(bytes, length, utf16BE);
            return KW5_FILE_RET_OK;
        default:
            return KW5_FILE_RET_INVALID_DATA;
        }
    } catch (const std::bad_alloc&) {
        utf16BE.clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
}

_KW5_FILE_RET decodeUtf16(const unsigned char* bytes, ULONG length, KW5WString& wide) {
    if (!bytes)
        return KW5_FILE_RET_NULL_POINTER;
    try {
        if (startsWith(bytes, length, 0xFF, 0xFE))
            wide = upToNul(unitsFromLittleEndian(bytes + 2, length - 2));
        else if (startsWith(bytes, length, 0xFE, 0xFF))
            wide = upToNul(unitsFromBigEndian(bytes + 2, length - 2));
        else
            wide = upToNul(unitsFromBigEndian(bytes, length));
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

KW5WString unitsFromBigEndian(const unsigned char* bytes, size_t length) {
    KW5WString units;
    units.reserve(length / 2);
    for (size_t i = 0; i + 1 < length; i += 2)
        units.push_back(static_cast<KW5WChar>((bytes[i] << 8) | bytes[i + 1]));
    return units;
}

KW5WString unitsFromLittleEndian(const unsigned char* bytes, size_t length) {
    KW5WString units;
    units.reserve(length / 2);
    for (size_t i = 0; i + 1 < length; i += 2)
        units.push_back(static_cast<KW5WChar>(bytes[i] | (bytes[i + 1] << 8)));
    return units;
}

namespace {

_KW5_FILE_RET readNarrowText(const unsigned char* body, ULONG size, ULONG pos, std::string& text,
                             ULONG& consumed, bool* exact) {
    ULONG count = 0;
    while (pos < size && count < size - pos && body[pos + count] != 0x00)
        ++count;
    if (count > 0)
        text.assign(reinterpret_cast<const char*>(body + pos), count);
    consumed = count + 1;
    if (exact && count > 0) {
        KW5WString wide;
        std::string back;
        if (!kw5platform::convertToWide(text, wide) || !kw5platform::convertToNarrow(wide, back) ||
            back != text)
            *exact = false;
    }
    return KW5_FILE_RET_OK;
}

// The bytes of the UTF-16 text at pos: whole units inside the body, up to
// and including the first 00 00 unit.
ULONG scanUtf16Text(const unsigned char* body, ULONG size, ULONG pos) {
    ULONG scanned = 0;
    while (pos < size && size - pos - scanned >= 2) {
        const unsigned char* unit = body + pos + scanned;
        scanned += 2;
        if (unit[0] == 0x00 && unit[1] == 0x00)
            break;
    }
    return scanned;
}

_KW5_FILE_RET toNarrow(const KW5WString& units, std::string& text, bool* exact) {
    KW5WString wide(units.begin(), std::find(units.begin(), units.end(), KW5WChar(0)));
    if (!kw5platform::convertToNarrow(wide, text)) {
        text.clear();
        return KW5_FILE_RET_BUFFER_ERROR;
    }
    KW5WString back;
    if (exact && (!kw5platform::convertToWide(text, back) || back != wide))
        *exact = false;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET readUtf16Text(const unsigned char* body, ULONG size, ULONG pos, bool withMark,
                            std::string& text, ULONG& consumed, bool* exact) {
    consumed = scanUtf16Text(body, size, pos);
    // Two bytes are the terminator alone; none at all means the body ended
    // before the text began.
    if (consumed <= 2)
        return KW5_FILE_RET_OK;
    const unsigned char* bytes = body + pos;
    ULONG length = consumed;
    if (!withMark)
        return toNarrow(unitsFromBigEndian(bytes, length), text, exact);

    bool bigEndian = false;
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
        bytes += 2;
        length -= 2;
    } else if (bytes[0] == 0xFE && bytes[1] == 0xFF) {
        bytes += 2;
        length -= 2;
        bigEndian = true;
    } else if (bytes[0] == 0xFE) {
        bigEndian = true;
    }
    if (length == 2)
        return KW5_FILE_RET_OK;
    return toNarrow(bigEndian ? unitsFromBigEndian(bytes, length)
                              : unitsFromLittleEndian(bytes, length),
                    text, exact);
}

} // namespace

_KW5_FILE_RET readBodyText(const unsigned char* body, ULONG size, ULONG pos, unsigned char encoding,
                           std::string& text, ULONG& consumed, bool* exact) {
    text.clear();
    if (!body)
        return KW5_FILE_RET_NULL_POINTER;
    if (size == 0)
        return KW5_FILE_RET_INVALID_PARAMETER;
    try {
        switch (encoding) {
        case 0:
            return readNarrowText(body, size, pos, text, consumed, exact);
        case 1:
            return readUtf16Text(body, size, pos, true, text, consumed, exact);
        case 2:
            return readUtf16Text(body, size, pos, false, text, consumed, exact);
        default:
            return KW5_FILE_RET_INVALID_DATA;
        }
    } catch (const std::bad_alloc&) {
        text.clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
}

} // namespace kw5fields

#include "fields/KW5BodyText.h"

#include "fields/KW5TextDecode.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <new>

namespace kw5fields {

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

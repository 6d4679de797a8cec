// Turning the text bytes of a body into narrow strings, UTF-16 big-endian
// bytes and host strings.
//
// A UTF-16 value of odd length ends in half a unit: that byte is ignored, so
// no operation here reads past the bytes it is given.
#ifndef KW5_FIELDS_KW5TEXTDECODE_H
#define KW5_FIELDS_KW5TEXTDECODE_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"

#include <string>
#include <vector>

namespace kw5fields {

// The bytes up to the first 00 (or all of them); an empty result becomes a
// single-NUL text. A length of 0 leaves the output as it was.
_KW5_FILE_RET makeNarrowString(const unsigned char* bytes, ULONG length, std::string& narrow);

// Exchanges the two bytes of every 16-bit unit in place.
void swapBytes(unsigned char* bytes, ULONG length);

// The text part of a body in the given encoding as UTF-16 big-endian units
// without mark. Terminators are kept as NUL units (encodings 1 and 2).
_KW5_FILE_RET decodeToUtf16BE(unsigned char encoding, const unsigned char* bytes, ULONG length,
                              std::vector<unsigned char>& utf16BE);

// A UTF-16 value with mark FF FE (little-endian), FE FF or no mark
// (big-endian) as a host string, up to its first NUL unit.
_KW5_FILE_RET decodeUtf16(const unsigned char* bytes, ULONG length, KW5WString& wide);

// Host string from big-endian / little-endian units, every unit kept.
KW5WString unitsFromBigEndian(const unsigned char* bytes, size_t length);
KW5WString unitsFromLittleEndian(const unsigned char* bytes, size_t length);

} // namespace kw5fields

#endif

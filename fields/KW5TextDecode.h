// Turning the text bytes of a body into narrow strings, UTF-16 big-endian
// bytes and host strings, and reading one terminated text of a body (a
// description, a file name or a MIME type).
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

// Reads the text that starts at pos of a body of size bytes, in the given
// text encoding (0 narrow, 1 UTF-16 with optional mark, 2 UTF-16
// big-endian), into a narrow string. consumed is the number of bytes the
// text takes, terminator and mark included; a narrow text counts its
// terminator even when it runs to the end of the body without one. No byte
// at or beyond size is read, whatever pos is. exact, when given, is cleared
// when the text does not come back the same from the thread's code page (a
// character the code page cannot hold, a byte sequence it does not define).
_KW5_FILE_RET readBodyText(const unsigned char* body, ULONG size, ULONG pos, unsigned char encoding,
                           std::string& text, ULONG& consumed, bool* exact = nullptr);

} // namespace kw5fields

#endif

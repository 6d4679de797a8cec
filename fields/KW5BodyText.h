// Reading one terminated text of a body: a description, a file name or a
// MIME type, as the decode of the user text, user URL and object codecs
// meet them.
#ifndef KW5_FIELDS_KW5BODYTEXT_H
#define KW5_FIELDS_KW5BODYTEXT_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"

#include <string>

namespace kw5fields {

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

#include "tools/kw5tag/Commands.h"

namespace kw5tag {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"show", "list every frame of a file's tag", R"(usage: kw5tag show FILE [--json]

Lists the frames of FILE's tag in file order: frame id (with the description
of user text, user URL and object frames), the 16-bit flags, the text
encoding (latin, utf16, utf16be), the body size and the value: text and URLs
decoded, objects as MIME type and size.

  --json   one JSON object instead of the table
)",
         runShow},
        {"get", "print the value of one frame", R"(usage: kw5tag get FILE FRAME[:DESC]

Prints the value of the frame FRAME (a four-character id such as TIT2).
User text (TXXX), user URL (WXXX) and object (GEOB) frames are named by their
description: TXXX:VMK_TRACK. WOAR and WCOM may hold several URLs: one per
line. Exits 1 when the frame is not there.
)",
         runGet},
        {"set", "set the value of a text or URL frame",
         R"(usage: kw5tag set FILE FRAME[:DESC] VALUE... [--variant std|gm|prask] [--protected]

Replaces the frame's value and writes the file back in the layout of the
variant (default std). WOAR and WCOM take several values. Writing rewrites
the file only when the tag no longer fits; the audio is never changed.

  --variant V    layout to write: std, gm (files with a VMK_LSI object) or prask
  --protected    also change frames the library protects (read-only flag,
                 VMK_SINFO, VMK_ASGTM)
)",
         runSet},
        {"delete", "remove a frame",
         R"(usage: kw5tag delete FILE FRAME[:DESC] [--variant std|gm|prask] [--protected]

Removes the frame (all WOAR / WCOM frames for those ids) and writes the file
back. Exits 1 when there was no such frame.
)",
         runDelete},
        {"get-object", "save an object (GEOB) to a file",
         R"(usage: kw5tag get-object FILE DESC -o OUT

Writes the data of the object frame with description DESC to OUT.
Exits 1 when there is no such object.
)",
         runGetObject},
        {"put-object", "store a file as an object (GEOB)",
         R"(usage: kw5tag put-object FILE DESC IN [--mime TYPE] [--variant std|gm|prask]

Stores the bytes of IN as the object with description DESC (replacing one
that is there) and writes the file back.

  --mime TYPE    MIME type of the object (default application/octet-stream)
  --variant V    layout to write (default std; a VMK_LSI object needs gm)
)",
         runPutObject},
        {"check", "check a file against a layout variant",
         R"(usage: kw5tag check FILE --variant std|gm|prask

Checks whether FILE's tag follows the layout of the variant and says which
rule fails. Exits 0 when it follows the layout, 1 when it does not.
)",
         runCheck},
        {"convert", "rewrite a file in a layout variant",
         R"(usage: kw5tag convert FILE --variant std|gm|prask

Rewrites FILE's tag in the layout of the variant: key frames first, text in
UTF-16BE, priority texts cut to 256 characters. STD refuses a file that holds
a VMK_LSI object.
)",
         runConvert},
        {"export-unknown", "save the frames a host does not know as a blob",
         R"(usage: kw5tag export-unknown FILE -o BLOB [--known FRAME:DESCINDEX ...]

Writes every frame of FILE that is not named by a --known property as one
blob (a bare tag image). FRAME is a frame index (1-19) or its frame id
(TIT2, TXXX, GEOB, ...), DESCINDEX a description index (0-163), e.g.
--known TIT2:0 --known TXXX:77. Exits 1 when every frame is known.
)",
         runExportUnknown},
        {"import-unknown", "merge a blob of frames into a file",
         R"(usage: kw5tag import-unknown FILE BLOB [--variant std|gm|prask]

Puts the frames of BLOB (made by export-unknown) into FILE's tag, replacing
frames with the same id and description, and writes the file back.
)",
         runImportUnknown},
        {"make-lsi", "build a tag image holding one or two objects",
         R"(usage: kw5tag make-lsi OBJECT [OBJECT2] -o IMAGE

Builds, without any audio file, a minimal tag image with OBJECT as its
VMK_LSI object (and OBJECT2 as its VMK_OLINF object) and writes it to IMAGE.
)",
         runMakeLsi},
        {"sample", "make a sample file to try the tool on",
         R"(usage: kw5tag sample OUT [--audio-bytes N] [--force]

Writes a realistic sample file: a GM tag with text, user text, URL and object
frames (VMK_LSI among them), followed by N bytes of fake audio (default
262144).
)",
         runSample},
    };
    return table;
}

} // namespace kw5tag

#include "tools/kw5tag/Commands.h"

namespace kw5tag {

// The options of every command that takes several files.
#define KW5TAG_FILE_OPTIONS                                                                        \
    "  -r, --recursive  walk the folders among the FILEs; files there without a\n"                 \
    "                   kw5 or ID3 tag header are skipped\n"                                       \
    "  -q, --quiet      no notes, progress or summary line; the output asked for\n"                \
    "                   and errors stay\n"                                                         \
    "  -v, --verbose    a line on stderr for every file written or skipped\n"

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"show", "list every frame of the files' tags",
         R"(usage: kw5tag show [--json [--raw]] FILE...

Lists the frames of each FILE's tag in file order: frame id (with the
description of user text, user URL and object frames), the 16-bit flags,
the text encoding (latin, utf16, utf16be), the body size and the value:
text and URLs decoded, objects as MIME type and size. Descriptions and
values are decoded by the library as get decodes them, in the same code
page. The layout line says which layout the file follows (GM with a
VMK_LSI object, Prask with VMK_ULINF, STD otherwise) and whether its tag
passes that layout's check.

  --json           one JSON object per file, one per line; each frame with
                   id, description, flags, size, encoding (where the kind
                   has one), and value or mimeType and objectSize
  --raw            adds each frame's body bytes in hex ("body") to the --json
                   output
)" KW5TAG_FILE_OPTIONS,
         runShow},
        {"get", "print the value of one frame",
         R"(usage: kw5tag get FRAME[:DESC] FILE...
       kw5tag get FILE FRAME[:DESC]

Prints the value of the frame FRAME (a four-character id such as TIT2).
User text (TXXX), user URL (WXXX) and object (GEOB) frames are named by their
description: TXXX:VMK_TRACK. WOAR and WCOM may hold several URLs: one per
line. With several files each line starts with the file name and ': '.
Exits 1 when the frame is not there.

)" KW5TAG_FILE_OPTIONS,
         runGet},
        {"set", "set text and URL frames",
         R"(usage: kw5tag set FRAME[:DESC]=VALUE... FILE... [--variant V] [--dry-run]
       kw5tag set FILE FRAME[:DESC] VALUE...

Replaces the values of the frames in every FILE and writes each file back
in its own layout (GM when its tag holds a VMK_LSI object, Prask when it
holds VMK_ULINF, STD otherwise). WOAR and WCOM may be assigned several
times to hold several URLs; other frames once. A description cannot hold
'=' in the first form. Writing rewrites a file only when its tag no longer
fits; the audio is never changed.

  --variant V      write in the layout V instead: std, gm or prask
  --protected      also change frames the library protects (read-only flag,
                   VMK_SINFO, VMK_ASGTM)
  -n, --dry-run    print each frame's value before and after and the layout
                   the file would be written in; write nothing
)" KW5TAG_FILE_OPTIONS,
         runSet},
        {"delete", "remove frames",
         R"(usage: kw5tag delete FRAME[:DESC]... FILE... [--variant V] [--dry-run]
       kw5tag delete FILE FRAME[:DESC]

Removes the frames (all WOAR / WCOM frames for those ids) from every FILE
and writes it back in its own layout. Exits 1 when a frame was not there
(the others are still removed).

  --variant V      write in the layout V instead: std, gm or prask
  --protected      also remove frames the library protects
  -n, --dry-run    print what would be removed; write nothing
)" KW5TAG_FILE_OPTIONS,
         runDelete},
        {"get-object", "save an object (GEOB) to a file",
         R"(usage: kw5tag get-object FILE DESC -o OUT

Writes the data of the object frame with description DESC to OUT.
Exits 1 when there is no such object.
)",
         runGetObject},
        {"put-object", "store a file as an object (GEOB)",
         R"(usage: kw5tag put-object FILE DESC IN [--mime TYPE] [--variant V]

Stores the bytes of IN as the object with description DESC (replacing one
that is there) and writes FILE back in the layout its tag then calls for
(storing a VMK_LSI object makes it a GM file).

  --mime TYPE      MIME type of the object (default application/octet-stream)
  --variant V      write in the layout V instead: std, gm or prask
  --protected      also replace objects the library protects
)",
         runPutObject},
        {"check", "check files against their layout or a variant",
         R"(usage: kw5tag check [--variant std|gm|prask] FILE...

Checks whether each FILE's tag follows its own layout (GM when it holds a
VMK_LSI object, Prask with VMK_ULINF, STD otherwise), or the layout of
--variant, and says which rule fails. Exits 0 when every file follows the
layout, 1 when one does not.

)" KW5TAG_FILE_OPTIONS,
         runCheck},
        {"convert", "rewrite files in a layout variant",
         R"(usage: kw5tag convert --variant std|gm|prask FILE... [--dry-run]

Rewrites each FILE's tag in the layout of the variant: key frames first,
text in UTF-16BE, priority texts cut to 256 characters. STD refuses a file
that holds a VMK_LSI object.

  -n, --dry-run    say whether each file would be rewritten or refused;
                   write nothing
)" KW5TAG_FILE_OPTIONS,
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
frames with the same id and description, and writes the file back in the
layout its tag then calls for.

  --variant V      write in the layout V instead: std, gm or prask
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

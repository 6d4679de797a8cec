// Update and Close: the only methods that write to the open file.
//
// The variant writer empties the tag it serialises, so it is handed a copy:
// the object keeps every frame, a later Get still finds what the file holds
// and a later Update writes the whole tag again.
#include "kw5/CKW5VorletLib.h"

#include "facade/KW5ErrorReturnHRESULT.h"
#include "format/KW5Format.h"
#include "format/KW5FormatFactory.h"
#include "kw5/HResult.h"
#include "tag/KW5Tag.h"

#include <memory>

LONG CKW5VorletLib::Update(const LONG& kind) {
    try {
        if (openMode == KW5_OPEN_READONLY || modified == 0)
            return kw5::kS_OK;
        // Closed with changes that were never written: they went with the tag.
        if (!tag)
            return kw5::kE_FAIL;

        KW5Format* created = nullptr;
        _KW5_FILE_RET ret = createFormat(kind, created);
        std::unique_ptr<KW5Format> format(created);
        if (ret != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(ret);
        if (!format)
            return kw5::kE_FAIL;
        // No Open with a path: there is no file to write to.
        if (path.empty())
            return KW5ErrorReturnHRESULT(KW5_FILE_RET_EMPTY_PATH);
        // The last Open failed: the file holds a tag we could not read, and
        // writing our empty tag over it would lose every frame it has.
        if (opened == 0)
            return kw5::kE_FAIL;

        KW5Tag written(*tag);
        ret = format->writeTag(written, path);
        if (ret != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(ret);
        modified = 0;
        return kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::Close(const LONG& kind) {
    LONG result = Update(kind);
    clear();
    opened = 0;
    return result < 0 ? result : kw5::kS_OK;
}

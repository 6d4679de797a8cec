// The codec of the URL frames: every id beginning with "W" but "WXXX".
//
// The body is the URL's narrow bytes, with no encoding byte and no
// terminator; an empty URL is the single byte 00. Such bodies are never
// re-encoded, so decode and convertToUtf16BE stay unimplemented.
#ifndef KW5_FIELDS_KW5FIELDW_H
#define KW5_FIELDS_KW5FIELDW_H

#include "fields/KW5FieldBase.h"

class KW5FieldW : public KW5FieldBase {
public:
    KW5FieldW();
    ~KW5FieldW() override;

    _KW5_FILE_RET encode(KW5FieldInfo& record) override;
};

#endif

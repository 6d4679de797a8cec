// The codec of the text frames: every id beginning with "T" but "TXXX".
//
//   encoding 0:  00  narrow bytes of the value
//   encoding 1:  01  FF FE  value units little-endian
//   encoding 2:  02  value units big-endian
//
// The value is never terminated; it runs to the end of the body.
#ifndef KW5_FIELDS_KW5FIELDT_H
#define KW5_FIELDS_KW5FIELDT_H

#include "fields/KW5FieldBase.h"

class KW5FieldT : public KW5FieldBase {
public:
    KW5FieldT();
    ~KW5FieldT() override;

    _KW5_FILE_RET convertToUtf16BE(const std::string& frameId, const unsigned char* body,
                                   ULONG bodySize, std::vector<unsigned char>& newBody) override;
    _KW5_FILE_RET encode(KW5FieldInfo& record) override;

private:
    _KW5_FILE_RET writeEncoding0(const KW5WString& value);
    // Encoding 1 or 2.
    _KW5_FILE_RET writeUnicode(unsigned char encoding, const KW5WString& value);
};

#endif

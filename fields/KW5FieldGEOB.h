// The codec of the general encapsulated object "GEOB".
//
//   encoding byte | MIME type 00 | file name | description | object data
//
// The MIME type is always narrow bytes. File name and description are
// narrow bytes with 00 in encoding 0; in encoding 1 FF FE and units
// little-endian with 00 00 (an empty file name is only 00 00, the
// description always has its mark); in encoding 2 units big-endian with
// 00 00. The object data runs to the end of the body.
#ifndef KW5_FIELDS_KW5FIELDGEOB_H
#define KW5_FIELDS_KW5FIELDGEOB_H

#include "fields/KW5FieldBase.h"

class KW5FieldGEOB : public KW5FieldBase {
public:
    KW5FieldGEOB();
    ~KW5FieldGEOB() override;

    _KW5_FILE_RET convertToUtf16BE(const std::string& frameId, const unsigned char* body,
                                   ULONG bodySize, std::vector<unsigned char>& newBody) override;
    _KW5_FILE_RET encode(KW5FieldInfo& record) override;
    // Fills MIME type, file name and description; the data offset may lie
    // past the end of the body when a text runs to its end.
    _KW5_FILE_RET decode(KW5FieldInfo& record, ULONG& dataOffset) override;
    // The same for a body held elsewhere, without copying it.
    static _KW5_FILE_RET decodeBody(const unsigned char* body, ULONG length, KW5FieldInfo& record,
                                    ULONG& dataOffset);

private:
    struct Texts {
        std::string mimeType;
        std::string fileName;
        std::string description;
        bool exact = true;
    };

    static _KW5_FILE_RET parse(const unsigned char* body, ULONG size, Texts& texts,
                               ULONG& dataOffset);
    _KW5_FILE_RET write(unsigned char encoding, const Texts& texts,
                        const std::vector<unsigned char>& data);
    _KW5_FILE_RET writeEncoding0(const Texts& texts, const std::vector<unsigned char>& data);
    // Encoding 1 or 2.
    _KW5_FILE_RET writeUnicode(unsigned char encoding, const Texts& texts,
                               const std::vector<unsigned char>& data);
};

#endif

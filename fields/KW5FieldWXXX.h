// The codec of the user URL frame "WXXX": a description, then a URL.
//
//   encoding 0:  00  description bytes 00          URL narrow bytes
//   encoding 1:  01  FF FE description LE 00 00    URL narrow bytes
//   encoding 2:  02  description BE 00 00          URL narrow bytes
//
// The URL is narrow and unterminated whatever the encoding says; the
// description is read as in "TXXX".
#ifndef KW5_FIELDS_KW5FIELDWXXX_H
#define KW5_FIELDS_KW5FIELDWXXX_H

#include "fields/KW5FieldBase.h"

class KW5FieldWXXX : public KW5FieldBase {
public:
    KW5FieldWXXX();
    ~KW5FieldWXXX() override;

    _KW5_FILE_RET convertToUtf16BE(const std::string& frameId, const unsigned char* body,
                                   ULONG bodySize, std::vector<unsigned char>& newBody) override;
    _KW5_FILE_RET encode(KW5FieldInfo& record) override;
    _KW5_FILE_RET decode(KW5FieldInfo& record, ULONG& dataOffset) override;

private:
    _KW5_FILE_RET writeUserUnicode(unsigned char encoding, const std::string& description,
                                   const KW5WString& url) override;
};

#endif

// The codec of the user text frame "TXXX": a description, then a value.
//
//   encoding 0:  00  description bytes 00          value narrow bytes
//   encoding 1:  01  FF FE description LE 00 00    FF FE value LE
//   encoding 2:  02  description BE 00 00          value BE
//
// The description is the frame's key; the value is never terminated.
#ifndef KW5_FIELDS_KW5FIELDTXXX_H
#define KW5_FIELDS_KW5FIELDTXXX_H

#include "fields/KW5FieldBase.h"

class KW5FieldTXXX : public KW5FieldBase {
public:
    KW5FieldTXXX();
    ~KW5FieldTXXX() override;

    _KW5_FILE_RET convertToUtf16BE(const std::string& frameId, const unsigned char* body,
                                   ULONG bodySize, std::vector<unsigned char>& newBody) override;
    _KW5_FILE_RET encode(KW5FieldInfo& record) override;
    _KW5_FILE_RET decode(KW5FieldInfo& record, ULONG& dataOffset) override;

    // The decode of the user frames TXXX and WXXX: the encoding byte and the
    // description that follows it. The data offset counts the description's
    // terminator even when the body ends without one, so it may lie one or
    // two bytes past the end.
    static _KW5_FILE_RET decodeDescription(const unsigned char* body, ULONG length,
                                           KW5FieldInfo& record, ULONG& dataOffset);

private:
    _KW5_FILE_RET writeUserUnicode(unsigned char encoding, const std::string& description,
                                   const KW5WString& value) override;
};

#endif

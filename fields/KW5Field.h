// The value holder: a frame body exactly as in the file, with the
// operations that choose a codec by frame id.
#ifndef KW5_FIELDS_KW5FIELD_H
#define KW5_FIELDS_KW5FIELD_H

#include "facade/KW5FileRet.h"
#include "fields/KW5FieldInfo.h"
#include "platform/Types.h"

#include <string>
#include <vector>

class KW5FieldBase;

// The 25 standard ids whose bodies are kept byte for byte.
bool isStandardFrameId(const std::string& frameId);

class KW5Field {
public:
    KW5Field();
    virtual ~KW5Field();
    KW5Field(const KW5Field&) = default;
    KW5Field& operator=(const KW5Field&) = default;

    _KW5_FILE_RET setBytes(const unsigned char* bytes, ULONG length);
    _KW5_FILE_RET getSize(ULONG& length) const;
    // KW5_FILE_RET_FAILED when nothing is held.
    _KW5_FILE_RET getFirstByte(unsigned char& byte) const;
    void clear();
    const std::vector<unsigned char>& bytes() const { return bytes_; }
    // Hands the held bytes over without copying them; the holder is then empty.
    std::vector<unsigned char> takeBytes();

    // The codec encodes the record; the holder takes its bytes.
    _KW5_FILE_RET encodeWith(KW5FieldBase& codec, KW5FieldInfo& record);

    // Dispatch by the record's / the given frame id.
    _KW5_FILE_RET getDataOffset(KW5FieldInfo& record, ULONG& offset) const;
    // Where the payload of a frame of that id starts in the held body.
    _KW5_FILE_RET payloadOffset(const std::string& frameId, ULONG& offset) const;
    _KW5_FILE_RET getPayload(const std::string& frameId, std::vector<unsigned char>& payload) const;
    _KW5_FILE_RET getPayloadSize(const std::string& frameId, ULONG& size) const;
    // description is in/out: frames without a description leave it as given.
    // exact, when given, tells whether the texts read survive the thread's
    // code page both ways (always true for frames without a description).
    _KW5_FILE_RET getDescription(const std::string& frameId, std::string& description,
                                 bool* exact = nullptr) const;
    // The same over bytes held elsewhere, read where they lie.
    static _KW5_FILE_RET describeBytes(const unsigned char* bytes, ULONG length,
                                       const std::string& frameId, std::string& description,
                                       bool* exact = nullptr);
    _KW5_FILE_RET getMimeType(const std::string& frameId, KW5WString& mimeType) const;
    _KW5_FILE_RET buildTextField(KW5FieldInfo& record);
    _KW5_FILE_RET buildObjectField(KW5FieldInfo& record);

private:
    static _KW5_FILE_RET dataOffsetOf(const unsigned char* bytes, ULONG length,
                                      KW5FieldInfo& record, ULONG& offset);

    std::vector<unsigned char> bytes_;
};

#endif

// Abstract base of the frame-body codecs.
//
// A codec lives for one operation and owns at most one buffer: the encoded
// body built by encode / convertToUtf16BE, or the raw body given to setData.
#ifndef KW5_FIELDS_KW5FIELDBASE_H
#define KW5_FIELDS_KW5FIELDBASE_H

#include "facade/KW5FileRet.h"
#include "fields/KW5BodyWriter.h"
#include "fields/KW5FieldInfo.h"
#include "platform/Types.h"

#include <new>
#include <string>
#include <vector>

class KW5FieldBase {
public:
    KW5FieldBase();
    virtual ~KW5FieldBase();
    KW5FieldBase(const KW5FieldBase&) = delete;
    KW5FieldBase& operator=(const KW5FieldBase&) = delete;

    // Re-encodes a given body in text encoding 2. The codec then holds the
    // new body as well (getSize / getData).
    virtual _KW5_FILE_RET convertToUtf16BE(const std::string& frameId, const unsigned char* body,
                                           ULONG bodySize, std::vector<unsigned char>& newBody);
    // Copies size bytes of the held body (the value getSize gave).
    virtual _KW5_FILE_RET getData(unsigned char* destination, ULONG size) const;
    virtual _KW5_FILE_RET getSize(ULONG& size) const;
    virtual _KW5_FILE_RET encode(KW5FieldInfo& record) = 0;
    // Parses the leading parts of the held body into the record and reports
    // where the payload starts (it may lie past the end of the body).
    virtual _KW5_FILE_RET decode(KW5FieldInfo& record, ULONG& dataOffset);
    virtual void clear();
    virtual _KW5_FILE_RET setData(const unsigned char* bytes, ULONG size);

    const std::vector<unsigned char>& buffer() const { return buffer_; }

protected:
    // The held body becomes what fill appends to a KW5BodyWriter: fill runs
    // once counting, then once more into a buffer of that size. noRoom when
    // the buffer cannot be had (too large for a 32-bit size, or no memory);
    // on any failure the codec is left empty.
    template <class Fill> _KW5_FILE_RET writeBody(Fill fill, _KW5_FILE_RET noRoom) {
        try {
            KW5BodyWriter counter;
            fill(counter);
            if (!allocateBuffer(counter.position()))
                return noRoom;
            KW5BodyWriter writer(buffer_);
            fill(writer);
            writer.finish();
        } catch (_KW5_FILE_RET code) {
            clear();
            return code;
        }
        return KW5_FILE_RET_OK;
    }
    // Replaces the held body by size zero bytes; false when memory is
    // exhausted (the codec is then empty).
    bool allocateBuffer(size_t size);
    // The encode of the user frames TXXX and WXXX. Encoding 0 is the layout
    // both share: 0x00, the description and its 0x00, the value's narrow
    // bytes; encodings 1 and 2 go to writeUserUnicode; any other is
    // KW5_FILE_RET_BAD_LAYOUT.
    _KW5_FILE_RET encodeUserFrame(KW5FieldInfo& record);
    virtual _KW5_FILE_RET writeUserUnicode(unsigned char encoding, const std::string& description,
                                           const KW5WString& value);
    // The description of a user frame in UTF-16: KW5_FILE_RET_BUFFER_ERROR
    // when the code page cannot convert it, INVALID_PARAMETER when empty.
    static _KW5_FILE_RET wideDescription(const std::string& description, KW5WString& wide);
    // The re-encode of a user frame: its description is decoded, valueOf
    // turns the bytes from the data offset on into the value (for a body of
    // two bytes or more), and both are written in encoding 2.
    template <class ValueOf>
    _KW5_FILE_RET convertUserBody(const unsigned char* body, ULONG bodySize,
                                  std::vector<unsigned char>& newBody, ValueOf valueOf) {
        clear();
        if (!body || bodySize == 0)
            return KW5_FILE_RET_INVALID_DATA;
        try {
            _KW5_FILE_RET result = setData(body, bodySize);
            if (result != KW5_FILE_RET_OK)
                return result;
            KW5FieldInfo parsed;
            ULONG dataOffset = 0;
            result = decode(parsed, dataOffset);
            clear();
            if (result != KW5_FILE_RET_OK)
                return result;
            KW5WString value;
            if (bodySize >= 2) {
                if (dataOffset > bodySize)
                    return KW5_FILE_RET_FAILED;
                result = valueOf(dataOffset, value);
                if (result != KW5_FILE_RET_OK)
                    return result;
            }
            return handOut(writeUserUnicode(2, parsed.description(), value), newBody);
        } catch (const std::bad_alloc&) {
            clear();
            return KW5_FILE_RET_OUT_OF_MEMORY;
        }
    }
    // The end of a re-encode: a copy of the body just written goes to
    // newBody. written is the result of the write; may throw std::bad_alloc.
    _KW5_FILE_RET handOut(_KW5_FILE_RET written, std::vector<unsigned char>& newBody);

    std::vector<unsigned char> buffer_;
};

#endif

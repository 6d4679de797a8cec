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
    // The encoding-0 body of a user text or user URL frame: 0x00, the
    // description and its 0x00, the value's narrow bytes (TXXX and WXXX share
    // this layout exactly).
    _KW5_FILE_RET writeUserBodyEncoding0(const std::string& description, const KW5WString& value);

    std::vector<unsigned char> buffer_;
};

#endif

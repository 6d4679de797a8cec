// The 10-byte frame header, kept as the raw bytes of the file:
//
//   offset 0  4 bytes  frame id, ASCII
//   offset 4  4 bytes  body size, plain big-endian (not syncsafe)
//   offset 8  2 bytes  flags, one 16-bit value stored little-endian
//
// Of the flags 0x2000 marks a read-only frame; 0x8000 (compressed) and
// 0x4000 (encrypted) mark a body the library cannot read, kept as it is.
#ifndef KW5_TAG_KW5FRAMEHEADER_H
#define KW5_TAG_KW5FRAMEHEADER_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"

#include <cstdint>
#include <string>
#include <vector>

class KW5FrameHeader {
public:
    static const ULONG kLength = 10;
    static const uint16_t kReadOnlyFlag = 0x2000;
    static const uint16_t kCompressedFlag = 0x8000;
    static const uint16_t kEncryptedFlag = 0x4000;

    KW5FrameHeader();
    virtual ~KW5FrameHeader();
    KW5FrameHeader(const KW5FrameHeader&) = default;
    KW5FrameHeader& operator=(const KW5FrameHeader&) = default;

    _KW5_FILE_RET reset();
    // KW5_FILE_RET_INVALID_PARAMETER unless bytes is set and length is 10.
    _KW5_FILE_RET setFromBytes(const unsigned char* bytes, ULONG length);
    // Id bytes beyond the fourth are ignored, missing ones are zero.
    _KW5_FILE_RET build(const std::string& frameId, ULONG bodySize, uint16_t flags);
    _KW5_FILE_RET setSize(ULONG bodySize);

    // The id up to the first zero byte; KW5_FILE_RET_INVALID_DATA when empty.
    _KW5_FILE_RET getId(std::string& frameId) const;
    // Resets and answers KW5_FILE_RET_INVALID_DATA when no header is held.
    _KW5_FILE_RET getSize(ULONG& bodySize);
    _KW5_FILE_RET getFlags(uint16_t& flags) const;
    // KW5_FILE_RET_READ_ONLY, KW5_FILE_RET_WRITABLE or KW5_FILE_RET_INVALID_DATA.
    _KW5_FILE_RET readOnlyState() const;
    // True when the flags say compressed or encrypted.
    bool hasSealedBody() const;
    // length must be the header length.
    _KW5_FILE_RET copyOut(unsigned char* destination, ULONG length) const;

    bool isEmpty() const { return bytes_.empty(); }
    const std::vector<unsigned char>& bytes() const { return bytes_; }

private:
    std::vector<unsigned char> bytes_;
};

#endif

// The 10-byte tag header, kept as the raw bytes of the file:
//
//   offset 0  3 bytes  magic "kw5" (or "ID3" when read from a file)
//   offset 3  1 byte   major version, 3
//   offset 4  1 byte   revision, 0
//   offset 5  1 byte   flags, kept as read; 0x80 and 0x40 refused
//   offset 6  4 bytes  syncsafe size of everything after the header
#ifndef KW5_TAG_KW5TAGHEADER_H
#define KW5_TAG_KW5TAGHEADER_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"

#include <vector>

class KW5TagHeader {
public:
    static const ULONG kLength = 10;
    // The largest size the syncsafe field can carry.
    static const ULONG kMaxSize = 0x0FFFFFFF;

    // Holds nothing until set (see makeDefault / setFromBytes).
    KW5TagHeader();
    virtual ~KW5TagHeader();
    KW5TagHeader(const KW5TagHeader&) = default;
    KW5TagHeader& operator=(const KW5TagHeader&) = default;

    _KW5_FILE_RET reset();
    // "kw5" 03 00 00 00 00 00 00.
    _KW5_FILE_RET makeDefault();
    // The first 10 bytes when there are at least 10, else the default header.
    _KW5_FILE_RET setFromBytes(const unsigned char* bytes, ULONG length);

    // KW5_FILE_RET_INVALID_DATA when no header is held.
    _KW5_FILE_RET setSize(ULONG size);
    // 0 when no header is held.
    ULONG getSize() const;
    // KW5_FILE_RET_INVALID_PARAMETER when length exceeds the header length.
    _KW5_FILE_RET copyOut(unsigned char* destination, ULONG length) const;

    bool magicAccepted() const;
    bool versionAccepted() const;
    // Unsynchronisation (0x80) and an extended header (0x40) change where and
    // how the frames lie; a tag with either is not read.
    bool flagsAccepted() const;
    bool isValid() const { return magicAccepted() && versionAccepted() && flagsAccepted(); }

    // The size of the tag that the first length bytes of a file announce,
    // header included: 0 unless they hold 10 bytes starting "kw5" or "ID3".
    // Neither the version nor the flags are looked at.
    static ULONG tagSizeOf(const unsigned char* bytes, size_t length);

    // 10, or 0 when nothing is held.
    ULONG length() const { return static_cast<ULONG>(bytes_.size()); }
    const std::vector<unsigned char>& bytes() const { return bytes_; }

private:
    std::vector<unsigned char> bytes_;
};

#endif

// Byte-level helpers: syncsafe and plain big-endian 32-bit integers of the
// tag and frame headers. The texts of bodies are read by KW5TextDecode.h
// and written by KW5BodyWriter.h.
#ifndef KW5_FIELDS_KW5BYTES_H
#define KW5_FIELDS_KW5BYTES_H

#include "platform/Types.h"

namespace kw5bytes {

// Four bytes of seven bits each, most significant first; bit 7 of every byte
// is ignored on reading.
inline ULONG decodeSyncsafe(const unsigned char* p) {
    return (static_cast<ULONG>(p[0] & 0x7F) << 21) | (static_cast<ULONG>(p[1] & 0x7F) << 14) |
           (static_cast<ULONG>(p[2] & 0x7F) << 7) | static_cast<ULONG>(p[3] & 0x7F);
}

// Bits 28 to 31 of the value do not fit and are dropped.
inline void encodeSyncsafe(ULONG value, unsigned char* p) {
    p[0] = static_cast<unsigned char>((value >> 21) & 0x7F);
    p[1] = static_cast<unsigned char>((value >> 14) & 0x7F);
    p[2] = static_cast<unsigned char>((value >> 7) & 0x7F);
    p[3] = static_cast<unsigned char>(value & 0x7F);
}

inline ULONG readBigEndian32(const unsigned char* p) {
    return (static_cast<ULONG>(p[0]) << 24) | (static_cast<ULONG>(p[1]) << 16) |
           (static_cast<ULONG>(p[2]) << 8) | static_cast<ULONG>(p[3]);
}

inline void writeBigEndian32(ULONG value, unsigned char* p) {
    p[0] = static_cast<unsigned char>((value >> 24) & 0xFF);
    p[1] = static_cast<unsigned char>((value >> 16) & 0xFF);
    p[2] = static_cast<unsigned char>((value >> 8) & 0xFF);
    p[3] = static_cast<unsigned char>(value & 0xFF);
}

} // namespace kw5bytes

#endif

// The byte-level appenders of the codecs' encode.
//
// A writer either counts (made without a buffer: position() is then the
// size the same appends would write) or fills a buffer already sized to the
// body, from the start, at a running position. Appenders raise (throw) a
// _KW5_FILE_RET value; the codec that runs the writer catches it, clears
// itself and returns the code. Nothing is written past the buffer's end: an
// append that does not fit raises KW5_FILE_RET_BAD_LAYOUT.
#ifndef KW5_FIELDS_KW5BODYWRITER_H
#define KW5_FIELDS_KW5BODYWRITER_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"

#include <string>
#include <vector>

class KW5BodyWriter {
public:
    // Counts only.
    KW5BodyWriter();
    explicit KW5BodyWriter(std::vector<unsigned char>& buffer);
    KW5BodyWriter(const KW5BodyWriter&) = delete;
    KW5BodyWriter& operator=(const KW5BodyWriter&) = delete;

    // One byte, such as the text-encoding byte.
    void appendByte(unsigned char byte);
    // The bytes; a length of 0 appends nothing.
    void appendBytes(const unsigned char* bytes, size_t length);
    void appendBytes(const std::string& bytes);
    void appendBytes(const std::vector<unsigned char>& bytes);
    // The bytes, then the terminator of the encoding: 00 for 0, 00 00 for 1
    // and 2. Missing bytes raise KW5_FILE_RET_NULL_POINTER, another encoding
    // KW5_FILE_RET_INVALID_PARAMETER.
    void appendTerminated(const unsigned char* bytes, size_t length, unsigned char encoding);

    // The narrow text's bytes as held, then 00.
    void writeNarrowText(const std::string& text);
    // FF FE, the units little-endian, 00 00 (the mark also for an empty text).
    void writeUtf16WithMark(const KW5WString& text);
    // FF FE only for a text that is not empty, the units little-endian, 00 00.
    void writeUtf16WithMarkIfAny(const KW5WString& text);
    // FF FE, the units little-endian, no terminator.
    void writeUtf16LEWithMark(const KW5WString& text);
    // The units big-endian, no terminator.
    void writeUtf16BE(const KW5WString& text);
    // The units big-endian, then 00 00; a single-NUL text writes no units.
    void writeUtf16BETerminated(const KW5WString& text);
    // A value in text encoding 1 (writeUtf16LEWithMark) or 2 (writeUtf16BE).
    void writeUtf16(unsigned char encoding, const KW5WString& text);
    // A terminated text in encoding 1 (writeUtf16WithMark) or 2
    // (writeUtf16BETerminated).
    void writeUtf16Terminated(unsigned char encoding, const KW5WString& text);

    size_t position() const { return position_; }
    // Raises KW5_FILE_RET_BAD_LAYOUT unless the body was filled exactly.
    void finish() const;

private:
    void reserve(size_t length) const;
    void putUnitLE(KW5WChar unit);
    void putUnitBE(KW5WChar unit);
    void putUnitsLE(const KW5WString& text);
    void putUnitsBE(const KW5WString& text, size_t count);

    std::vector<unsigned char>* buffer_;
    size_t position_;
};

#endif

// Builds tag images byte by byte for the tests of the exported class, so
// that the expected bytes are written out here and not by the library.
//
//   TagBuilder().frame("TIT2", textBody(0, "Title")).padding(20).bytes()
//
// gives "kw5" 03 00 00, the syncsafe size of frames and padding, the frame
// (id, big-endian body size, flags low byte first) and 20 zero bytes.
#ifndef KW5_TESTS_FACADE_TAGBUILDER_H
#define KW5_TESTS_FACADE_TAGBUILDER_H

#include <cstdint>
#include <string>
#include <vector>

namespace kw5test {

typedef std::vector<unsigned char> Bytes;

class TagBuilder {
public:
    TagBuilder();

    TagBuilder& magic(const std::string& magic);
    TagBuilder& version(unsigned char major, unsigned char revision);
    TagBuilder& frame(const std::string& id, const Bytes& body, uint16_t flags = 0);
    // Bytes placed after the frames as they are (a broken frame, say).
    TagBuilder& raw(const Bytes& bytes);
    TagBuilder& padding(size_t count);
    // Overrides the size field (the count after the header); by default it
    // is the length of frames, raw bytes and padding.
    TagBuilder& declaredSize(uint32_t size);
    // Bytes after the tag: the audio.
    TagBuilder& audio(const Bytes& bytes);

    // The tag alone, header included.
    Bytes tag() const;
    // The tag followed by the audio: a whole file.
    Bytes bytes() const;

private:
    std::string magic_;
    unsigned char major_;
    unsigned char revision_;
    Bytes frames_;
    bool sizeGiven_;
    uint32_t declaredSize_;
    Bytes audio_;
};

// One frame: id, big-endian size, flags (low byte first), body.
Bytes frameBytes(const std::string& id, const Bytes& body, uint16_t flags = 0);
void syncsafe(uint32_t value, unsigned char* out);

// Frame bodies from ASCII (or Latin-1 for encoding 0) texts.
// Encoding 0: narrow bytes; 1: FF FE and UTF-16 little-endian; 2: UTF-16
// big-endian. Other encoding values are written as encoding 0 bytes with
// that encoding byte, to build broken frames.
Bytes textBody(unsigned char encoding, const std::string& value);
Bytes txxxBody(unsigned char encoding, const std::string& desc, const std::string& value);
Bytes urlBody(const std::string& url);
Bytes wxxxBody(unsigned char encoding, const std::string& desc, const std::string& url);
Bytes geobBody(unsigned char encoding, const std::string& mime, const std::string& fileName,
               const std::string& desc, const Bytes& data);

// Text pieces: UTF-16 of ASCII text, big- or little-endian, unterminated.
Bytes utf16BE(const std::string& ascii);
Bytes utf16LE(const std::string& ascii);

} // namespace kw5test

#endif

// Tag images for the format tests, written out byte by byte here so that
// the library under test does not build its own expectations.
//
//   ImageBuilder().frame("TIT2", textBody("Title")).padding(16).image()
//
// gives "kw5" 03 00, flags 00, the syncsafe size of frames and padding,
// then the frame (id, big-endian body size, flags 00 00) and 16 zero bytes.
#ifndef KW5_TESTS_FORMAT_IMAGEBUILDER_H
#define KW5_TESTS_FORMAT_IMAGEBUILDER_H

#include <cstddef>
#include <string>
#include <vector>

namespace kw5formattest {

typedef std::vector<unsigned char> Bytes;

class ImageBuilder {
public:
    ImageBuilder();

    ImageBuilder& magic(const std::string& magic);
    ImageBuilder& version(unsigned char major, unsigned char revision);
    ImageBuilder& frame(const std::string& id, const Bytes& body);
    ImageBuilder& padding(std::size_t count);

    // Header, frames and padding; the size field counts frames and padding.
    Bytes image() const;

private:
    std::string magic_;
    unsigned char major_;
    unsigned char revision_;
    Bytes frames_;
};

// UTF-16 big-endian units of ASCII text, no terminator.
Bytes utf16BE(const std::string& ascii);

// Text frame body: encoding 2 (02, UTF-16 BE) or encoding 0 (00, bytes).
Bytes textBody(const std::string& value);
Bytes textBody0(const std::string& value);
// A text body of encoding 2 whose payload is exactly payloadBytes long
// (payloadBytes even).
Bytes textBodyOfPayload(std::size_t payloadBytes);
// "TXXX" / "WXXX" bodies: encoding 2 (terminated description, value) or 0.
Bytes txxxBody(const std::string& description, const std::string& value);
Bytes txxxBody0(const std::string& description, const std::string& value);
Bytes wxxxBody(const std::string& description, const std::string& url);
// "GEOB" body, encoding 2: MIME type, empty file name, description, data.
Bytes geobBody(const std::string& description, const Bytes& data = Bytes{1, 2, 3});

// The tag region of a file: the header's syncsafe size plus 10 bytes.
Bytes tagRegion(const Bytes& file);

// The frame ids and descriptions of an image, in file order, as
// "ID" or "ID:description" (descriptions read for TXXX/WXXX/GEOB only,
// decoded from encoding 2 as ASCII).
std::vector<std::string> frameList(const Bytes& image);

} // namespace kw5formattest

#endif

#include "tests/format/ImageBuilder.h"

#include <cstdint>

namespace kw5formattest {

namespace {

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

void appendAscii(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

uint32_t readBigEndian(const Bytes& bytes, std::size_t at) {
    return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) |
           (uint32_t(bytes[at + 2]) << 8) | uint32_t(bytes[at + 3]);
}

// An encoding-2 text terminated by 00 00, from pos; pos moves past it.
std::string readUtf16Text(const Bytes& body, std::size_t& pos) {
    std::string text;
    while (pos + 1 < body.size()) {
        unsigned unit = (unsigned(body[pos]) << 8) | body[pos + 1];
        pos += 2;
        if (unit == 0)
            break;
        text.push_back(static_cast<char>(unit));
    }
    return text;
}

std::string describe(const std::string& id, const Bytes& body) {
    if (body.empty() || body[0] != 2)
        return id;
    std::size_t pos = 1;
    if (id == "GEOB") {
        while (pos < body.size() && body[pos] != 0)
            ++pos;
        ++pos;                    // end of the MIME type
        readUtf16Text(body, pos); // file name
        return id + ":" + readUtf16Text(body, pos);
    }
    if (id == "TXXX" || id == "WXXX")
        return id + ":" + readUtf16Text(body, pos);
    return id;
}

} // namespace

ImageBuilder::ImageBuilder() : magic_("kw5"), major_(3), revision_(0) {}

ImageBuilder& ImageBuilder::magic(const std::string& magic) {
    magic_ = magic;
    return *this;
}

ImageBuilder& ImageBuilder::version(unsigned char major, unsigned char revision) {
    major_ = major;
    revision_ = revision;
    return *this;
}

ImageBuilder& ImageBuilder::frame(const std::string& id, const Bytes& body) {
    appendAscii(frames_, id);
    const uint32_t size = static_cast<uint32_t>(body.size());
    frames_.push_back(static_cast<unsigned char>(size >> 24));
    frames_.push_back(static_cast<unsigned char>(size >> 16));
    frames_.push_back(static_cast<unsigned char>(size >> 8));
    frames_.push_back(static_cast<unsigned char>(size));
    frames_.push_back(0);
    frames_.push_back(0);
    append(frames_, body);
    return *this;
}

ImageBuilder& ImageBuilder::padding(std::size_t count) {
    frames_.insert(frames_.end(), count, 0);
    return *this;
}

Bytes ImageBuilder::image() const {
    Bytes out;
    appendAscii(out, magic_);
    out.push_back(major_);
    out.push_back(revision_);
    out.push_back(0);
    const uint32_t size = static_cast<uint32_t>(frames_.size());
    out.push_back(static_cast<unsigned char>((size >> 21) & 0x7F));
    out.push_back(static_cast<unsigned char>((size >> 14) & 0x7F));
    out.push_back(static_cast<unsigned char>((size >> 7) & 0x7F));
    out.push_back(static_cast<unsigned char>(size & 0x7F));
    append(out, frames_);
    return out;
}

Bytes utf16BE(const std::string& ascii) {
    Bytes out;
    for (char c : ascii) {
        out.push_back(0);
        out.push_back(static_cast<unsigned char>(c));
    }
    return out;
}

Bytes textBody(const std::string& value) {
    Bytes out{2};
    append(out, utf16BE(value));
    return out;
}

Bytes textBody0(const std::string& value) {
    Bytes out{0};
    appendAscii(out, value);
    return out;
}

Bytes textBodyOfPayload(std::size_t payloadBytes) {
    return textBody(std::string(payloadBytes / 2, 'x'));
}

Bytes txxxBody(const std::string& description, const std::string& value) {
    Bytes out{2};
    append(out, utf16BE(description));
    append(out, Bytes{0, 0});
    append(out, utf16BE(value));
    return out;
}

Bytes txxxBody0(const std::string& description, const std::string& value) {
    Bytes out{0};
    appendAscii(out, description);
    out.push_back(0);
    appendAscii(out, value);
    return out;
}

Bytes wxxxBody(const std::string& description, const std::string& url) {
    Bytes out{2};
    append(out, utf16BE(description));
    append(out, Bytes{0, 0});
    appendAscii(out, url);
    return out;
}

Bytes geobBody(const std::string& description, const Bytes& data) {
    Bytes out{2};
    appendAscii(out, "application/octet-stream");
    out.push_back(0);
    append(out, Bytes{0, 0});
    append(out, utf16BE(description));
    append(out, Bytes{0, 0});
    append(out, data);
    return out;
}

Bytes tagRegion(const Bytes& file) {
    if (file.size() < 10)
        return Bytes();
    const std::size_t size = (std::size_t(file[6] & 0x7F) << 21) |
                             (std::size_t(file[7] & 0x7F) << 14) |
                             (std::size_t(file[8] & 0x7F) << 7) | std::size_t(file[9] & 0x7F);
    const std::size_t end = size + 10 < file.size() ? size + 10 : file.size();
    return Bytes(file.begin(), file.begin() + end);
}

std::vector<std::string> frameList(const Bytes& image) {
    std::vector<std::string> frames;
    std::size_t pos = 10;
    while (pos + 10 <= image.size() && (image[pos] != 0 || image[pos + 1] != 0)) {
        const std::string id(image.begin() + pos, image.begin() + pos + 4);
        const std::size_t size = readBigEndian(image, pos + 4);
        pos += 10;
        if (pos + size > image.size())
            break;
        frames.push_back(describe(id, Bytes(image.begin() + pos, image.begin() + pos + size)));
        pos += size;
    }
    return frames;
}

} // namespace kw5formattest

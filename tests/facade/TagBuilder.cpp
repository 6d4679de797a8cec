#include "TagBuilder.h"

namespace kw5test {

namespace {

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

void appendText(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

// A terminated text of a user frame's description or an object's file name.
void appendTerminated(Bytes& out, unsigned char encoding, const std::string& text) {
    if (encoding == 1) {
        out.push_back(0xFF);
        out.push_back(0xFE);
        append(out, utf16LE(text));
        out.push_back(0);
        out.push_back(0);
    } else if (encoding == 2) {
        append(out, utf16BE(text));
        out.push_back(0);
        out.push_back(0);
    } else {
        appendText(out, text);
        out.push_back(0);
    }
}

void appendValue(Bytes& out, unsigned char encoding, const std::string& text) {
    if (encoding == 1) {
        out.push_back(0xFF);
        out.push_back(0xFE);
        append(out, utf16LE(text));
    } else if (encoding == 2) {
        append(out, utf16BE(text));
    } else {
        appendText(out, text);
    }
}

} // namespace

TagBuilder::TagBuilder()
    : magic_("kw5"), major_(3), revision_(0), sizeGiven_(false), declaredSize_(0) {}

TagBuilder& TagBuilder::magic(const std::string& magic) {
    magic_ = magic;
    return *this;
}

TagBuilder& TagBuilder::version(unsigned char major, unsigned char revision) {
    major_ = major;
    revision_ = revision;
    return *this;
}

TagBuilder& TagBuilder::frame(const std::string& id, const Bytes& body, uint16_t flags) {
    append(frames_, frameBytes(id, body, flags));
    return *this;
}

TagBuilder& TagBuilder::raw(const Bytes& bytes) {
    append(frames_, bytes);
    return *this;
}

TagBuilder& TagBuilder::padding(size_t count) {
    frames_.insert(frames_.end(), count, 0);
    return *this;
}

TagBuilder& TagBuilder::declaredSize(uint32_t size) {
    sizeGiven_ = true;
    declaredSize_ = size;
    return *this;
}

TagBuilder& TagBuilder::audio(const Bytes& bytes) {
    audio_ = bytes;
    return *this;
}

Bytes TagBuilder::tag() const {
    Bytes out(10, 0);
    for (size_t i = 0; i < 3 && i < magic_.size(); ++i)
        out[i] = static_cast<unsigned char>(magic_[i]);
    out[3] = major_;
    out[4] = revision_;
    out[5] = 0;
    syncsafe(sizeGiven_ ? declaredSize_ : static_cast<uint32_t>(frames_.size()), &out[6]);
    append(out, frames_);
    return out;
}

Bytes TagBuilder::bytes() const {
    Bytes out = tag();
    append(out, audio_);
    return out;
}

Bytes frameBytes(const std::string& id, const Bytes& body, uint16_t flags) {
    Bytes out;
    for (size_t i = 0; i < 4; ++i)
        out.push_back(i < id.size() ? static_cast<unsigned char>(id[i]) : 0);
    uint32_t size = static_cast<uint32_t>(body.size());
    out.push_back(static_cast<unsigned char>(size >> 24));
    out.push_back(static_cast<unsigned char>(size >> 16));
    out.push_back(static_cast<unsigned char>(size >> 8));
    out.push_back(static_cast<unsigned char>(size));
    out.push_back(static_cast<unsigned char>(flags & 0xFF));
    out.push_back(static_cast<unsigned char>(flags >> 8));
    append(out, body);
    return out;
}

void syncsafe(uint32_t value, unsigned char* out) {
    out[0] = static_cast<unsigned char>((value >> 21) & 0x7F);
    out[1] = static_cast<unsigned char>((value >> 14) & 0x7F);
    out[2] = static_cast<unsigned char>((value >> 7) & 0x7F);
    out[3] = static_cast<unsigned char>(value & 0x7F);
}

Bytes textBody(unsigned char encoding, const std::string& value) {
    Bytes out(1, encoding);
    appendValue(out, encoding, value);
    return out;
}

Bytes txxxBody(unsigned char encoding, const std::string& desc, const std::string& value) {
    Bytes out(1, encoding);
    appendTerminated(out, encoding, desc);
    appendValue(out, encoding, value);
    return out;
}

Bytes urlBody(const std::string& url) {
    Bytes out;
    appendText(out, url);
    if (out.empty())
        out.push_back(0);
    return out;
}

Bytes wxxxBody(unsigned char encoding, const std::string& desc, const std::string& url) {
    Bytes out(1, encoding);
    appendTerminated(out, encoding, desc);
    appendText(out, url);
    return out;
}

Bytes geobBody(unsigned char encoding, const std::string& mime, const std::string& fileName,
               const std::string& desc, const Bytes& data) {
    Bytes out(1, encoding);
    appendText(out, mime);
    out.push_back(0);
    appendTerminated(out, encoding, fileName);
    appendTerminated(out, encoding, desc);
    append(out, data);
    return out;
}

Bytes utf16BE(const std::string& ascii) {
    Bytes out;
    for (unsigned char c : ascii) {
        out.push_back(0);
        out.push_back(c);
    }
    return out;
}

Bytes utf16LE(const std::string& ascii) {
    Bytes out;
    for (unsigned char c : ascii) {
        out.push_back(c);
        out.push_back(0);
    }
    return out;
}

} // namespace kw5test

// Writes ID3v2.3 files the way TagLib does, for the interop tests:
//   taglib_writer PATH CASE   (repeated, scripts, emptydesc, baremark)
// The file is the rendered tag followed by 3000 bytes of fake audio.
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/privateframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/urllinkframe.h>

#include <cstdio>
#include <string>

using namespace TagLib;

namespace {

void text(ID3v2::Tag& tag, const char* id, const String& value) {
    auto* frame = new ID3v2::TextIdentificationFrame(id, String::UTF16);
    frame->setText(value);
    tag.addFrame(frame);
}

void userText(ID3v2::Tag& tag, const String& desc, const String& value) {
    tag.addFrame(new ID3v2::UserTextIdentificationFrame(desc, StringList(value), String::UTF16));
}

void userUrl(ID3v2::Tag& tag, const String& desc, const char* url) {
    auto* frame = new ID3v2::UserUrlLinkFrame(String::UTF16);
    frame->setDescription(desc);
    frame->setUrl(url);
    tag.addFrame(frame);
}

void comment(ID3v2::Tag& tag, const char* lang, const String& desc, const String& value) {
    auto* frame = new ID3v2::CommentsFrame(String::UTF16);
    frame->setLanguage(lang);
    frame->setDescription(desc);
    frame->setText(value);
    tag.addFrame(frame);
}

void picture(ID3v2::Tag& tag, ID3v2::AttachedPictureFrame::Type type, const char* desc, char fill) {
    auto* frame = new ID3v2::AttachedPictureFrame();
    frame->setMimeType("image/png");
    frame->setType(type);
    frame->setDescription(desc);
    frame->setPicture(ByteVector(700, fill));
    tag.addFrame(frame);
}

void priv(ID3v2::Tag& tag, const char* owner, const char* data) {
    auto* frame = new ID3v2::PrivateFrame();
    frame->setOwner(owner);
    frame->setData(ByteVector(data));
    tag.addFrame(frame);
}

} // namespace

int main(int argc, char** argv) {
    const std::string name = argc == 3 ? argv[2] : "";
    ID3v2::Tag tag;
    text(tag, "TIT2", "Old");
    if (name == "repeated") {
        comment(tag, "eng", "", "first");
        comment(tag, "deu", "note", String(L"zweite \u00e4"));
        picture(tag, ID3v2::AttachedPictureFrame::FrontCover, "front", 'F');
        picture(tag, ID3v2::AttachedPictureFrame::BackCover, "back", 'B');
        priv(tag, "a.example", "one");
        priv(tag, "b.example", "two");
    } else if (name == "scripts") {
        userText(tag, String(L"\u65e5\u672c\u8a9e"), "ja");
        userText(tag, String(L"\u03b1"), "alpha");
        userText(tag, String(L"\u03b2"), "beta");
        userText(tag, String(L"\u0416"), "cyr");
        userUrl(tag, String(L"\u03b1"), "http://alpha.example");
        userText(tag, "MOOD", "calm");
    } else if (name == "emptydesc") {
        userUrl(tag, "", "http://home.example");
        userText(tag, "", "bare");
        userText(tag, "MOOD", "calm");
    } else if (name == "baremark") {
        text(tag, "TPE1", "");
        text(tag, "TALB", "");
        userText(tag, "EMPTY", "");
    } else {
        std::fprintf(stderr, "usage: taglib_writer PATH repeated|scripts|emptydesc|baremark\n");
        return 2;
    }
    const ByteVector rendered = tag.render(ID3v2::v3);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out)
        return 1;
    std::fwrite(rendered.data(), 1, rendered.size(), out);
    for (int i = 0; i < 3000; ++i)
        std::fputc((i * 7 + 3) & 0xFF, out);
    return std::fclose(out) == 0 ? 0 : 1;
}

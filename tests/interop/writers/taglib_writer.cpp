// Writes ID3v2.3 files the way TagLib does, for the interop tests:
//   taglib_writer PATH CASE   (repeated, scripts, emptydesc, baremark)
// The file is the rendered tag followed by 3000 bytes of fake audio.
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/urllinkframe.h>

#include <cstdio>
#include <string>

using namespace TagLib;

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const std::string name = argv[2];
    ID3v2::Tag tag;
    auto text = [&tag](const char* id, const String& value) {
        auto* frame = new ID3v2::TextIdentificationFrame(id, String::UTF16);
        frame->setText(value);
        tag.addFrame(frame);
    };
    auto user = [&tag](const String& desc, const String& value) {
        tag.addFrame(
            new ID3v2::UserTextIdentificationFrame(desc, StringList(value), String::UTF16));
    };
    auto url = [&tag](const String& desc, const char* value) {
        auto* frame = new ID3v2::UserUrlLinkFrame(String::UTF16);
        frame->setDescription(desc);
        frame->setUrl(value);
        tag.addFrame(frame);
    };
    text("TIT2", "Old");
    // Several comments and pictures; descriptions in scripts code page 1252
    // cannot hold; empty descriptions; empty values.
    for (int i = 0; name == "repeated" && i < 2; ++i) {
        auto* comment = new ID3v2::CommentsFrame(String::UTF16);
        comment->setLanguage(i ? "deu" : "eng");
        comment->setText(i ? String(L"zweite \u00e4") : String("first"));
        tag.addFrame(comment);
        auto* picture = new ID3v2::AttachedPictureFrame();
        picture->setMimeType("image/png");
        picture->setType(i ? ID3v2::AttachedPictureFrame::BackCover
                           : ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(ByteVector(700, i ? 'B' : 'F'));
        tag.addFrame(picture);
    }
    if (name == "scripts") {
        for (const wchar_t* desc : {L"\u65e5\u672c\u8a9e", L"\u03b1", L"\u03b2", L"\u0416"})
            user(String(desc), "x");
        url(String(L"\u03b1"), "http://alpha.example");
    }
    if (name == "emptydesc") {
        url("", "http://home.example");
        user("", "bare");
    }
    if (name == "baremark") {
        text("TPE1", "");
        user("EMPTY", "");
    }
    user("MOOD", "calm");
    const ByteVector rendered = tag.render(ID3v2::v3);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out)
        return 2;
    std::fwrite(rendered.data(), 1, rendered.size(), out);
    for (int i = 0; i < 3000; ++i)
        std::fputc((i * 7 + 3) & 0xFF, out);
    return std::fclose(out) == 0 ? 0 : 1;
}

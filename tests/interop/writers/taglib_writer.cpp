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

int main(int argc, char** argv) {
    const std::string name = argc == 3 ? argv[2] : "";
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
    if (name == "repeated") {
        for (const char* lang : {"eng", "deu"}) {
            auto* comment = new ID3v2::CommentsFrame(String::UTF16);
            comment->setLanguage(lang);
            comment->setDescription(*lang == 'e' ? "" : "note");
            comment->setText(*lang == 'e' ? String("first") : String(L"zweite \u00e4"));
            tag.addFrame(comment);
            auto* picture = new ID3v2::AttachedPictureFrame();
            picture->setMimeType("image/png");
            picture->setType(*lang == 'e' ? ID3v2::AttachedPictureFrame::FrontCover
                                          : ID3v2::AttachedPictureFrame::BackCover);
            picture->setDescription(*lang == 'e' ? "front" : "back");
            picture->setPicture(ByteVector(700, *lang));
            tag.addFrame(picture);
            auto* priv = new ID3v2::PrivateFrame();
            priv->setOwner(*lang == 'e' ? "a.example" : "b.example");
            priv->setData(ByteVector(lang));
            tag.addFrame(priv);
        }
    } else if (name == "scripts") {
        user(String(L"\u65e5\u672c\u8a9e"), "ja");
        user(String(L"\u03b1"), "alpha");
        user(String(L"\u03b2"), "beta");
        user(String(L"\u0416"), "cyr");
        url(String(L"\u03b1"), "http://alpha.example");
        user("MOOD", "calm");
    } else if (name == "emptydesc") {
        url("", "http://home.example");
        user("", "bare");
        user("MOOD", "calm");
    } else if (name == "baremark") {
        text("TPE1", "");
        text("TALB", "");
        user("EMPTY", "");
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

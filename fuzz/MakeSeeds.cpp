// Writes a seed corpus for the fuzzer: small valid tags of every kind of
// frame, and a few damaged ones.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes frame(const std::string& id, const Bytes& body, uint16_t flags = 0) {
    Bytes out(id.begin(), id.end());
    uint32_t n = static_cast<uint32_t>(body.size());
    out.push_back(static_cast<unsigned char>(n >> 24));
    out.push_back(static_cast<unsigned char>(n >> 16));
    out.push_back(static_cast<unsigned char>(n >> 8));
    out.push_back(static_cast<unsigned char>(n));
    out.push_back(static_cast<unsigned char>(flags));
    out.push_back(static_cast<unsigned char>(flags >> 8));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes tag(const std::string& magic, const std::vector<Bytes>& frames, size_t padding) {
    Bytes body;
    for (const auto& f : frames)
        body.insert(body.end(), f.begin(), f.end());
    body.resize(body.size() + padding, 0);
    uint32_t n = static_cast<uint32_t>(body.size());
    Bytes out(magic.begin(), magic.end());
    out.insert(out.end(),
               {3, 0, 0, static_cast<unsigned char>((n >> 21) & 0x7F),
                static_cast<unsigned char>((n >> 14) & 0x7F),
                static_cast<unsigned char>((n >> 7) & 0x7F), static_cast<unsigned char>(n & 0x7F)});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

void write(const std::string& dir, const std::string& name, const Bytes& bytes) {
    std::string path = dir + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

} // namespace

// A seed of the write-path target: two length bytes, the file (a tag and
// audio), then the script of steps.
Bytes writeSeed(const Bytes& tagBytes, size_t audioLength, const Bytes& script) {
    Bytes file = tagBytes;
    for (size_t i = 0; i < audioLength; ++i)
        file.push_back(static_cast<unsigned char>((i * 2654435761u) >> 11));
    Bytes out = {static_cast<unsigned char>(file.size()),
                 static_cast<unsigned char>(file.size() >> 8)};
    out.insert(out.end(), file.begin(), file.end());
    out.insert(out.end(), script.begin(), script.end());
    return out;
}

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: kw5fuzz_seeds DIR [WRITE-SEEDS-DIR]\n");
        return 2;
    }
    std::string dir = argv[1];
    Bytes tit2 = frame("TIT2", concat({{0}, text("Title")}));
    Bytes tit2utf16 = frame("TIT2", {1, 0xFF, 0xFE, 'A', 0, 'B', 0});
    Bytes tpe1be = frame("TPE1", {2, 0, 'X', 0, 'Y'});
    Bytes txxx = frame("TXXX", concat({{0}, text("VMK_TRACK"), {0}, text("7")}));
    Bytes txxx1 = frame("TXXX", {1, 0xFF, 0xFE, 'X', 0, 0, 0, 0xFF, 0xFE, 'A', 0});
    Bytes wxxx = frame("WXXX", concat({{2, 0, 'H', 0, 0}, text("http://x")}));
    Bytes woar = frame("WOAR", text("http://a"));
    Bytes wcom = frame("WCOM", text("http://c"), 0x2000);
    Bytes geob = frame(
        "GEOB", concat({{0}, text("binary"), {0, 0}, text("VMK_LSI"), {0}, text("object bytes")}));
    Bytes ulinf = frame("GEOB", concat({{2},
                                        text("binary"),
                                        {0, 0, 0},
                                        {0, 'V', 0, 'M', 0, 'K', 0, '_', 0, 'U',
                                         0, 'L', 0, 'I', 0, 'N', 0, 'F', 0, 0},
                                        text("u")}));
    Bytes fthb = frame(
        "GEOB", concat({{0}, text("image/jpeg"), {0, 0}, text("VMK_FTHBL1"), {0}, text("jpg")}));
    Bytes comm = frame("COMM", concat({{0}, text("eng"), {0}, text("comment")}));
    write(dir, "std.kw5", tag("kw5", {tit2, tpe1be, txxx, woar, wcom, comm}, 20));
    write(dir, "gm.kw5", tag("kw5", {geob, tit2utf16, fthb, wxxx}, 10));
    write(dir, "prask.kw5", tag("ID3", {ulinf, tit2, txxx1}, 4));
    write(dir, "series.kw5",
          tag("kw5",
              {fthb, frame("GEOB", concat({{0}, text("b"), {0, 0}, text("VMK_FTHBL2"), {0}}))}, 0));
    write(dir, "empty.kw5", tag("kw5", {}, 30));
    Bytes truncated = tag("kw5", {tit2, geob}, 0);
    truncated.resize(truncated.size() - 5);
    write(dir, "truncated.kw5", truncated);
    write(dir, "v4.kw5", [] {
        Bytes b = tag("ID3", {frame("TIT2", {3, 'x'})}, 0);
        b[3] = 4;
        return b;
    }());
    if (argc == 3) {
        // Tens of KiB: large objects and audio, so that remakes copy real
        // amounts and in-place writes meet big tags.
        std::string wdir = argv[2];
        Bytes bigObject =
            frame("GEOB",
                  concat({{0}, text("binary"), {0, 0}, text("VMK_LSI"), {0}, Bytes(20000, 0x5A)}));
        // op, frame, desc, text length, ...: put, put long, update STD,
        // delete, update GM, format Prask, check-and-format GM, import.
        Bytes script = {0, 0, 1, 0, 5, 1, 0, 6, 0, 7, 5, 0, 1, 6, 0, 5, 3, 1, 6, 0, 7, 1, 8, 2,
                        4, 0, 0, 1, 2, 1, 3, 0, 0, 1, 9, 9, 0, 0, 3, 2, 5, 0, 6, 2, 7, 3, 8, 0};
        write(wdir, "std-audio.seed",
              writeSeed(tag("kw5", {tit2, tpe1be, txxx, woar, wcom, comm}, 20), 30000, script));
        write(wdir, "gm-object.seed",
              writeSeed(tag("kw5", {bigObject, tit2utf16, fthb, wxxx}, 100), 20000, script));
        write(wdir, "prask.seed", writeSeed(tag("ID3", {ulinf, tit2, txxx1}, 4), 1000, script));
        write(wdir, "no-tag.seed", writeSeed(Bytes(), 40000, script));
        write(wdir, "exact-fit.seed",
              writeSeed(tag("kw5", {tit2, frame("TCOM", Bytes())}, 0), 5000, script));
        // A second tag stacked behind the first, which deleting every
        // frame of the first must not bring forward.
        write(wdir, "stacked.seed",
              writeSeed(concat({tag("kw5", {tit2}, 10), tag("ID3", {tpe1be}, 0)}), 5000,
                        {1, 1, 0, 0, 5, 3, 8, 2, 7, 1}));
    }
    return 0;
}

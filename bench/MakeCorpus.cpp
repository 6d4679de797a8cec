// Makes the benchmark files: a corpus of ID3v2.3 files with the same frames
// (TIT2, TPE1, TALB, TYER, two TXXX, one WXXX, a 100 KiB GEOB) and 1 MiB of
// audio each, and big files of 1, 100 and 1000 MiB of audio.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

void put32(Bytes& out, uint32_t n) {
    for (int shift : {24, 16, 8, 0})
        out.push_back(static_cast<unsigned char>(n >> shift));
}

void frame(Bytes& out, const std::string& id, const Bytes& body) {
    out.insert(out.end(), id.begin(), id.end());
    put32(out, static_cast<uint32_t>(body.size()));
    out.push_back(0);
    out.push_back(0);
    out.insert(out.end(), body.begin(), body.end());
}

// Encoding byte 0, then the text. Built by appending (GCC 12 warns wrongly
// about an insert into a one-byte vector at -O2).
Bytes latin(const std::string& s) {
    Bytes b;
    b.reserve(s.size() + 1);
    b.push_back(0);
    for (char c : s)
        b.push_back(static_cast<unsigned char>(c));
    return b;
}

Bytes userText(const std::string& desc, const std::string& value) {
    Bytes b = latin(desc);
    b.push_back(0);
    b.insert(b.end(), value.begin(), value.end());
    return b;
}

Bytes tagFor(int index, size_t objectBytes) {
    Bytes frames;
    frame(frames, "TIT2", latin("Benchmark title number " + std::to_string(index)));
    frame(frames, "TPE1", latin("Benchmark Artist"));
    frame(frames, "TALB", latin("Benchmark Album"));
    frame(frames, "TYER", latin("2026"));
    frame(frames, "TXXX", userText("MOOD", "calm"));
    frame(frames, "TXXX", userText("VMK_TRACK", std::to_string(index % 20 + 1)));
    Bytes wxxx = latin("HOME");
    wxxx.push_back(0);
    std::string url = "https://example.org/track/" + std::to_string(index);
    wxxx.insert(wxxx.end(), url.begin(), url.end());
    frame(frames, "WXXX", wxxx);
    Bytes geob = latin("application/octet-stream");
    geob.push_back(0);
    geob.push_back(0); // no file name
    std::string desc = "COVERART";
    geob.insert(geob.end(), desc.begin(), desc.end());
    geob.push_back(0);
    for (size_t i = 0; i < objectBytes; ++i)
        geob.push_back(static_cast<unsigned char>(i * 31 + index));
    frame(frames, "GEOB", geob);
    frames.resize(frames.size() + 2048, 0); // padding
    Bytes tag = {'I', 'D', '3', 3, 0, 0};
    uint32_t n = static_cast<uint32_t>(frames.size());
    tag.push_back(static_cast<unsigned char>((n >> 21) & 0x7F));
    tag.push_back(static_cast<unsigned char>((n >> 14) & 0x7F));
    tag.push_back(static_cast<unsigned char>((n >> 7) & 0x7F));
    tag.push_back(static_cast<unsigned char>(n & 0x7F));
    tag.insert(tag.end(), frames.begin(), frames.end());
    return tag;
}

bool writeFile(const std::string& path, const Bytes& tag, uint64_t audioBytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fwrite(tag.data(), 1, tag.size(), f);
    Bytes chunk(1 << 20);
    uint32_t state = 0x9E3779B9u;
    for (auto& b : chunk) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(state >> 24);
    }
    chunk[0] = 0xFF; // an MPEG frame sync where the audio starts
    chunk[1] = 0xFB;
    for (uint64_t left = audioBytes; left > 0;) {
        size_t n = static_cast<size_t>(left < chunk.size() ? left : chunk.size());
        std::fwrite(chunk.data(), 1, n, f);
        left -= n;
    }
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kw5bench_corpus DIR [FILES] [BIG_MIB...]\n");
        return 2;
    }
    std::string dir = argv[1];
    int files = argc > 2 ? std::atoi(argv[2]) : 2000;
    std::vector<int> big;
    for (int i = 3; i < argc; ++i)
        big.push_back(std::atoi(argv[i]));
    if (argc <= 3)
        big = {1, 100, 1000};
    std::string corpus = dir + "/corpus";
    std::filesystem::create_directories(corpus);
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/f%04d.mp3", i);
        if (!writeFile(corpus + name, tagFor(i, 100 * 1024), 1 << 20)) {
            std::fprintf(stderr, "cannot write %s%s\n", corpus.c_str(), name);
            return 1;
        }
    }
    for (int mib : big)
        if (!writeFile(dir + "/big-" + std::to_string(mib) + ".mp3", tagFor(0, 0),
                       uint64_t(mib) << 20)) {
            std::fprintf(stderr, "cannot write the %d MiB file\n", mib);
            return 1;
        }
    return 0;
}

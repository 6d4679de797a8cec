// kw5tag sample: a realistic file to try the tool on.
#include "kw5/HResult.h"
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/TagFile.h"
#include "tools/kw5tag/Utf8.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace kw5tag {

namespace {

// Deterministic bytes standing in for audio frames.
std::vector<unsigned char> fakeAudio(size_t size) {
    std::vector<unsigned char> audio(size);
    uint32_t state = 0x2545F491u;
    for (size_t i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        audio[i] = static_cast<unsigned char>(state);
    }
    // An MPEG frame sync at the start, as real audio would have.
    if (size >= 4) {
        audio[0] = 0xFF;
        audio[1] = 0xFB;
        audio[2] = 0x90;
        audio[3] = 0x64;
    }
    return audio;
}

std::vector<unsigned char> pattern(size_t size, unsigned char seed) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(seed + i * 7);
    return bytes;
}

void putText(CKW5VorletLib& lib, const char* id, const char* value) {
    std::vector<KW5WString> values = {fromUtf8(value)};
    requireOk(lib.PutPropertyFromId(fromUtf8(id), values, 0), std::string("cannot set ") + id);
}

void putUserText(CKW5VorletLib& lib, const char* id, const char* desc, const char* value) {
    requireOk(lib.PutPropertyFromDesc(fromUtf8(id), fromUtf8(desc), fromUtf8(value), 0),
              std::string("cannot set ") + id + ":" + desc);
}

void putObject(CKW5VorletLib& lib, const char* desc, const char* mime,
               std::vector<unsigned char> data) {
    _StructBinVal value = {data.data(), static_cast<ULONG>(data.size()), fromUtf8(mime)};
    _StructBinVal* record = &value;
    requireOk(lib.PutBinaryFromDesc(KW5_WSTR("GEOB"), fromUtf8(desc), record, 0),
              std::string("cannot store object ") + desc);
}

// A tag with every kind of frame, put in front of the audio at path.
void writeSampleTag(const std::string& path) {
    TagFile file(path, KW5_OPEN_READWRITE);
    CKW5VorletLib& lib = file.lib();
    putText(lib, "TIT2",
            "Morning in Kyoto \xE2\x80\x94 \xE4\xBA\xAC\xE9\x83\xBD\xE3\x81\xAE\xE6\x9C\x9D");
    putText(lib, "TPE1", "The Sample Ensemble");
    putText(lib, "TALB", "Field Recordings, Vol. 2");
    putText(lib, "TCON", "Ambient");
    putText(lib, "TYER", "2026");
    putText(lib, "TCOM", "A. Composer");
    putUserText(lib, "TXXX", "VMK_TRACK", "7");
    putUserText(lib, "TXXX", "VMK_TPE1S", "Sample Ensemble, The");
    putUserText(lib, "TXXX", "MOOD", "calm");
    putUserText(lib, "WXXX", "VMK_WINFO1", "https://example.org/releases/field-recordings-2");
    std::vector<KW5WString> links = {fromUtf8("https://example.org/artists/sample-ensemble")};
    requireOk(lib.PutPropertyFromId(KW5_WSTR("WOAR"), links, 0), "cannot set WOAR");
    putObject(lib, "VMK_LSI", "binary", pattern(384, 0x11));
    putObject(lib, "VMK_FTHBL1", "image/jpeg", pattern(2048, 0x40));
    putObject(lib, "NOTES", "text/plain",
              std::vector<unsigned char>({'r', 'e', 'c', 'o', 'r', 'd', 'e', 'd', ' ', 'a', 't',
                                          ' ', 'd', 'a', 'w', 'n'}));
    // A VMK_LSI object makes this a GM file.
    file.save(KW5_FORMAT_GM);
}

} // namespace

int runSample(const std::vector<std::string>& argv) {
    Args args(argv, {{"--force", "", false, false}, {"--audio-bytes", "", true, false}});
    args.expectPositionals(1, 1, "kw5tag sample OUT [--audio-bytes N] [--force]");
    const std::string& path = args.positionals()[0];
    auto fsPath = std::filesystem::u8path(path);
    if (std::filesystem::exists(fsPath) && !args.has("--force"))
        throw Failure("'" + path + "' exists; add --force to replace it");
    long audioBytes = std::strtol(args.value("--audio-bytes", "262144").c_str(), nullptr, 10);
    if (audioBytes < 0)
        throw UsageError("--audio-bytes must not be negative");

    // The audio first; the library then puts a tag in front of it.
    std::vector<unsigned char> audio = fakeAudio(static_cast<size_t>(audioBytes));
    writeWholeFile(path, audio.data(), audio.size());

    try {
        writeSampleTag(path);
    } catch (const Failure& e) {
        throw Failure(path + ": " + e.what());
    }
    std::printf("wrote sample %s (GM layout, %ld bytes of fake audio)\n", path.c_str(), audioBytes);
    return kExitOk;
}

} // namespace kw5tag

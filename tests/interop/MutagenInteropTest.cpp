// Files other taggers wrote (mutagen, TagLib, id3v2 of id3lib): we read
// every value as mutagen reads it, and a write back keeps every other frame
// (as mutagen reads them) and the audio, or is refused and leaves the file.
#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>

namespace {

using kw5test::hostString;
using kw5test::utf8;

#ifndef _WIN32
// A shell command's exit status; its output in output.
int run(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer;
    for (size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        output.append(buffer.data(), got);
    int status = pclose(pipe);
    return (status & 0x7F) == 0 ? (status >> 8) & 0xFF : 128 + (status & 0x7F);
}

std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The mutagen helper with arguments; its exit status must be 0.
std::string mutagen(const std::string& arguments) {
    std::string out;
    EXPECT_EQ(0,
              run("/usr/bin/python3 " +
                      quote(KW5_TEST_SOURCE_DIR "/tests/interop/mutagen_tool.py") + " " + arguments,
                  out))
        << arguments << "\n"
        << out;
    return out;
}

class Interop : public ::testing::Test {
protected:
    void SetUp() override {
        std::string out;
        if (run("/usr/bin/python3 -c 'import mutagen'", out) != 0)
            GTEST_SKIP() << "python3-mutagen is not installed";
    }
    std::string file(const std::string& name) { return dir_.file(name).string(); }
    kw5test::TempDir dir_;
};

// Every text, URL, user text and URL and object mutagen reads in the file
// reads the same through the library.
void expectValuesAsMutagenReads(CKW5VorletLib& lib, const std::string& path) {
    std::istringstream lines(mutagen("values " + quote(path)));
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        std::string kind = line.substr(0, 1), id = line.substr(2, 4);
        std::string desc = line.substr(7, line.find('|', 7) - 7);
        std::string value = line.substr(8 + desc.size());
        if (kind == "B") {
            _StructBinVal object = {nullptr, 0, KW5WString()};
            _StructBinVal* record = &object;
            EXPECT_EQ(0, lib.GetBinaryFromDesc(hostString(id), hostString(desc), record)) << line;
            std::string hex;
            char digits[3];
            for (ULONG i = 0; i < object.dataSize; ++i) {
                std::snprintf(digits, sizeof digits, "%02x", object.data[i]);
                hex += digits;
            }
            CoTaskMemFree(object.data);
            EXPECT_EQ(value, utf8(object.mimeType) + "|" + hex) << line.substr(0, 40);
        } else if (kind == "D") {
            KW5WString got;
            EXPECT_EQ(0, lib.GetPropertyFromDesc(hostString(id), hostString(desc), got)) << line;
            EXPECT_EQ(value, utf8(got));
        } else {
            std::vector<KW5WString> got;
            EXPECT_EQ(0, lib.GetPropertyFromId(hostString(id), got)) << line;
            EXPECT_EQ(value, got.empty() ? "" : utf8(got[0]));
        }
    }
    EXPECT_GT(count, 0);
}

class MutagenFiles : public Interop, public ::testing::WithParamInterface<int> {};

TEST_P(MutagenFiles, ReadAndWrittenBackInEveryVariant) {
    const std::string path = file("in.mp3");
    mutagen("write " + quote(path) + " " + std::to_string(GetParam()) + " VMK_LSI");
    CKW5VorletLib lib;
    ASSERT_EQ(0, lib.Open(hostString(path), KW5_OPEN_READONLY));
    expectValuesAsMutagenReads(lib, path);
    // By index the same user text; frames kept byte for byte come back whole.
    std::vector<KW5WString> track, seek;
    EXPECT_EQ(0, lib.GetString(13, 77, track));
    EXPECT_EQ(std::vector<KW5WString>{KW5_WSTR("7")}, track);
    _StructBinVal object = {nullptr, 0, KW5WString()};
    _StructBinVal* record = &object;
    EXPECT_EQ(0, lib.GetBinaryFromDesc(KW5_WSTR("APIC"), KW5WString(), record));
    EXPECT_GT(object.dataSize, 1024u);
    CoTaskMemFree(object.data);
    // The direct scan finds the same values without Open.
    EXPECT_EQ(0, CKW5VorletLib().SeekPropertyFromId(hostString(path), KW5_WSTR("TALB"), seek));
    EXPECT_EQ(std::vector<KW5WString>{KW5_WSTR("Songs of the Sea")}, seek);

    // STD takes no VMK_LSI object: give it an ordinary one.
    const std::string title = "Neuer Titel \xE2\x80\x94 \xE6\x96\xB0";
    for (auto kind :
         {std::make_pair(KW5_FORMAT_STD, "NOTES"), std::make_pair(KW5_FORMAT_GM, "VMK_LSI"),
          std::make_pair(KW5_FORMAT_PRASK, "VMK_ULINF")}) {
        SCOPED_TRACE(kind.second);
        const std::string before = file(std::string(kind.second) + ".orig"),
                          after = file(std::string(kind.second) + ".mp3");
        mutagen("write " + quote(before) + " " + std::to_string(GetParam()) + " " + kind.second);
        kw5test::writeFile(after, kw5test::readFile(before));
        CKW5VorletLib writer;
        ASSERT_EQ(0, writer.Open(hostString(after), KW5_OPEN_READWRITE));
        // Encoding 2 keeps every character; 0 would pass through code page 1252.
        ASSERT_EQ(0, writer.PutString(1, 0, {hostString(title)}, 2, 0));
        ASSERT_EQ(0, writer.Close(kind.first));
        mutagen("same " + quote(before) + " " + quote(after) + " TIT2 extra " +
                quote("TIT2=" + title));
        CKW5VorletLib reader;
        ASSERT_EQ(0, reader.Open(hostString(after), KW5_OPEN_READONLY));
        expectValuesAsMutagenReads(reader, after);
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, MutagenFiles, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param ? "Utf16" : "Latin1";
                         });

// How the writer makes the case; whether the file opens; refused: the key
// whose frames the load could not keep apart (a write succeeds once the host
// has put its own value under it); a frame whose value cannot be read.
struct ForeignCase {
    const char* writer;
    const char* name;
    bool opens;
    const char* conflictId;
    const char* conflictDesc;
    const char* unreadableId;
};

const ForeignCase kForeignCases[] = {
    {"mutagen", "repeated", true, nullptr, nullptr, nullptr},
    {"mutagen", "scripts", true, nullptr, nullptr, nullptr},
    {"mutagen", "emptydesc", true, nullptr, nullptr, nullptr},
    {"mutagen", "baremark", true, nullptr, nullptr, nullptr},
    {"mutagen", "sealed", true, nullptr, nullptr, "TPE1"},
    {"mutagen", "twotitles", true, "TIT2", "", nullptr},
    {"mutagen", "userpair", true, "WXXX", "HOME", nullptr},
    {"mutagen", "userasid", true, "TPE1", "", nullptr},
    {"mutagen", "unsync", false, nullptr, nullptr, nullptr},
    {"mutagen", "exthdr", false, nullptr, nullptr, nullptr},
    {"mutagen", "v24", false, nullptr, nullptr, nullptr},
    {"mutagen", "chap", false, nullptr, nullptr, nullptr},
    {"taglib", "repeated", true, nullptr, nullptr, nullptr},
    {"taglib", "scripts", true, nullptr, nullptr, nullptr},
    {"taglib", "emptydesc", true, nullptr, nullptr, nullptr},
    {"taglib", "baremark", true, nullptr, nullptr, nullptr},
    {"id3v2", "plain", true, nullptr, nullptr, nullptr},
};

void PrintTo(const ForeignCase& c, std::ostream* os) {
    *os << c.writer << " " << c.name;
}

class ForeignFiles : public Interop, public ::testing::WithParamInterface<ForeignCase> {
protected:
    // Makes the case's file; false when the writer is not here.
    bool make(const std::string& path) {
        const ForeignCase& c = GetParam();
        std::string command, out;
        if (std::string(c.writer) == "mutagen")
            return mutagen("case " + quote(path) + " " + c.name).empty();
        if (std::string(c.writer) == "id3v2") {
            kw5test::writeFile(path, std::vector<unsigned char>(30000, 0x5A));
            command = "id3v2 --id3v2-only -t 'Blue Train' -a 'J. Coltrane' -A 'Blue Train' "
                      "-y 1957 -g 8 -T 1/5 " +
                      quote(path);
            if (run("id3v2 --version", out) != 0)
                return false;
        }
#ifdef KW5_TAGLIB_WRITER
        if (std::string(c.writer) == "taglib")
            command = quote(KW5_TAGLIB_WRITER) + " " + quote(path) + " " + c.name;
#endif
        if (command.empty())
            return false;
        EXPECT_EQ(0, run(command, out)) << out;
        return true;
    }
};

TEST_P(ForeignFiles, EditKeepsEveryOtherFrameOrLeavesTheFile) {
    const ForeignCase& c = GetParam();
    for (LONG kind : {KW5_FORMAT_STD, KW5_FORMAT_GM, KW5_FORMAT_PRASK}) {
        SCOPED_TRACE(kind);
        const std::string path = file("f" + std::to_string(kind) + ".mp3"), orig = path + ".orig";
        if (!make(path))
            GTEST_SKIP() << c.writer << " is not installed";
        const auto before = kw5test::readFile(path);
        kw5test::writeFile(orig, before);
        CKW5VorletLib lib;
        const LONG opened = lib.Open(hostString(path), KW5_OPEN_READWRITE);
        std::vector<KW5WString> values;
        if (c.unreadableId) {
            EXPECT_EQ(kw5::kE_NOTIMPL, lib.GetPropertyFromId(hostString(c.unreadableId), values));
        }
        if (c.opens && !c.conflictId) {
            ASSERT_EQ(0, opened);
            // Every frame moves to another copy of the file as the blob of
            // unknown frames, and nothing changes there.
            unsigned char* blob = nullptr;
            ULONG blobSize = 0;
            ASSERT_EQ(0, lib.GetSDKUnknown({}, blob, blobSize));
            kw5test::writeFile(path + ".copy", before);
            CKW5VorletLib other;
            ASSERT_EQ(0, other.Open(hostString(path + ".copy"), KW5_OPEN_READWRITE));
            EXPECT_EQ(0, other.PutSDKUnknown(blob, static_cast<LONG>(blobSize)));
            CoTaskMemFree(blob);
            ASSERT_EQ(0, other.Close(kind));
            mutagen("same " + quote(orig) + " " + quote(path + ".copy") + " -");
            ASSERT_EQ(0, lib.PutString(1, 0, {KW5_WSTR("New")}, 2, 0));
            ASSERT_EQ(0, lib.Close(kind));
            mutagen("same " + quote(orig) + " " + quote(path) + " TIT2 - TIT2=New");
            continue;
        }
        // Refused: nothing is written, whatever the host tries.
        EXPECT_EQ(c.opens ? 0 : kw5::kE_INVALIDARG, opened);
        lib.PutPropertyFromId(KW5_WSTR("TCON"), {KW5_WSTR("Jazz")}, 0);
        EXPECT_LT(lib.Close(kind), 0);
        EXPECT_LT(lib.FormatFile(hostString(path), kind), 0);
        EXPECT_TRUE(c.opens || lib.CheckFileFormat(hostString(path), kind) != 0);
        EXPECT_EQ(kw5test::readFile(path), before);
        if (!c.conflictId)
            continue;
        ASSERT_EQ(0, lib.Open(hostString(path), KW5_OPEN_READWRITE));
        const KW5WString value = KW5_WSTR("http://x");
        ASSERT_EQ(0, *c.conflictDesc ? lib.PutPropertyFromDesc(hostString(c.conflictId),
                                                               hostString(c.conflictDesc), value, 0)
                                     : lib.PutPropertyFromId(hostString(c.conflictId), {value}, 0));
        ASSERT_EQ(0, lib.Close(kind));
        mutagen("same " + quote(orig) + " " + quote(path) + " " + c.conflictId + ",TXXX");
    }
}

INSTANTIATE_TEST_SUITE_P(Taggers, ForeignFiles, ::testing::ValuesIn(kForeignCases),
                         [](const ::testing::TestParamInfo<ForeignCase>& info) {
                             return std::string(info.param.writer) + "_" + info.param.name;
                         });
#endif

} // namespace

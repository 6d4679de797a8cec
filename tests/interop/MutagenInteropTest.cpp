// Files other taggers wrote (mutagen, TagLib): we read every value as
// mutagen reads it (by index too), and a write back keeps every other frame (as mutagen
// reads them) and the audio, or is refused and leaves the file alone.
#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace {

#ifndef _WIN32
using kw5test::hostString;

std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs a shell command, expecting exit status 0; its output.
std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    for (size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    EXPECT_EQ(0, pipe ? pclose(pipe) : -1) << command << "\n" << output;
    return output;
}

std::string mutagen(const std::string& arguments) {
    return run("/usr/bin/python3 " + quote(KW5_TEST_SOURCE_DIR "/tests/interop/mutagen_tool.py") +
               " " + arguments);
}

class Interop : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") != 0)
            GTEST_SKIP() << "python3-mutagen is not installed";
    }
    kw5test::TempDir dir_;
};

// Every text, URL, user text or URL and object as mutagen reads it
// ("kind|id|description|value", objects as "mime|hex").
void expectValuesAsMutagenReads(CKW5VorletLib& lib, const std::string& path) {
    std::istringstream lines(mutagen("values " + quote(path)));
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        const KW5WString id = hostString(line.substr(2, 4));
        const std::string desc = line.substr(7, line.find('|', 7) - 7);
        std::string got;
        if (line[0] == 'B') {
            _StructBinVal object = {nullptr, 0, KW5WString()}, *record = &object;
            EXPECT_EQ(0, lib.GetBinaryFromDesc(id, hostString(desc), record)) << line;
            got = kw5test::utf8(object.mimeType) + "|";
            char digits[3];
            for (ULONG i = 0; i < object.dataSize; ++i) {
                std::snprintf(digits, sizeof digits, "%02x", object.data[i]);
                got += digits;
            }
            CoTaskMemFree(object.data);
        } else if (line[0] == 'D') {
            KW5WString value;
            EXPECT_EQ(0, lib.GetPropertyFromDesc(id, hostString(desc), value)) << line;
            got = kw5test::utf8(value);
        } else {
            std::vector<KW5WString> values;
            EXPECT_EQ(0, lib.GetPropertyFromId(id, values)) << line;
            got = values.empty() ? "" : kw5test::utf8(values[0]);
        }
        EXPECT_EQ(line.substr(8 + desc.size()), got) << line.substr(0, 30);
    }
    EXPECT_GT(count, 0);
}

// Writer, case; whether the file opens; refused: the key whose frames the
// load could not keep apart (a write succeeds once the host has put its own
// value under it, "id" or "id desc"); a frame whose value cannot be read.
struct ForeignCase {
    const char *writer, *name;
    bool opens;
    const char *conflict, *unreadable;
};

const ForeignCase kForeignCases[] = {
    {"mutagen", "latin1", true, nullptr, nullptr},
    {"mutagen", "utf16", true, nullptr, nullptr},
    {"mutagen", "repeated", true, nullptr, nullptr},
    {"mutagen", "scripts", true, nullptr, nullptr},
    {"mutagen", "emptydesc", true, nullptr, nullptr},
    {"mutagen", "baremark", true, nullptr, nullptr},
    {"mutagen", "sealed", true, nullptr, "TPE1"},
    {"mutagen", "twotitles", true, "TIT2", nullptr},
    {"mutagen", "userpair", true, "WXXX HOME", nullptr},
    {"mutagen", "userasid", true, "TPE1", nullptr},
    {"mutagen", "unsync", false, nullptr, nullptr},
    {"mutagen", "exthdr", false, nullptr, nullptr},
    {"mutagen", "v24", false, nullptr, nullptr},
    {"mutagen", "chap", false, nullptr, nullptr},
    {"taglib", "repeated", true, nullptr, nullptr},
    {"taglib", "scripts", true, nullptr, nullptr},
    {"taglib", "emptydesc", true, nullptr, nullptr},
    {"taglib", "baremark", true, nullptr, nullptr},
};

const std::string kTitle = "Neuer Titel \xE2\x80\x94 \xE6\x96\xB0";

class ForeignFiles : public Interop, public ::testing::WithParamInterface<ForeignCase> {};

TEST_P(ForeignFiles, EditKeepsEveryOtherFrameOrLeavesTheFile) {
    const ForeignCase& c = GetParam();
    for (LONG kind : {KW5_FORMAT_STD, KW5_FORMAT_GM, KW5_FORMAT_PRASK}) {
        SCOPED_TRACE(kind);
        const std::string path = dir_.file("f.mp3").string(), orig = path + ".orig";
        if (*c.writer == 'm') {
            mutagen("case " + quote(path) + " " + c.name);
        } else {
#ifdef KW5_TAGLIB_WRITER
            run(quote(KW5_TAGLIB_WRITER) + " " + quote(path) + " " + c.name);
#else
            GTEST_SKIP() << "TagLib is not installed";
#endif
        }
        const auto before = kw5test::readFile(path);
        kw5test::writeFile(orig, before);
        CKW5VorletLib lib;
        const LONG opened = lib.Open(hostString(path), KW5_OPEN_READWRITE);
        // Values of the full tags as mutagen reads them, by index too.
        const bool full = std::string(c.name) == "latin1" || std::string(c.name) == "utf16";
        std::vector<KW5WString> values, track;
        EXPECT_TRUE(!full || (lib.GetString(13, 77, track) == 0 &&
                              track == std::vector<KW5WString>{KW5_WSTR("7")}));
        EXPECT_TRUE(!c.unreadable ||
                    lib.GetPropertyFromId(hostString(c.unreadable), values) == kw5::kE_NOTIMPL);
        if (c.opens && !c.conflict) {
            // Encoding 2 keeps every character; 0 would pass through code page 1252.
            ASSERT_EQ(0, lib.PutString(1, 0, {hostString(kTitle)}, 2, 0));
            ASSERT_EQ(0, lib.Close(kind));
            mutagen("same " + quote(orig) + " " + quote(path) + " TIT2 - " +
                    quote("TIT2=" + kTitle));
            CKW5VorletLib reader;
            ASSERT_EQ(0, reader.Open(hostString(path), KW5_OPEN_READONLY));
            if (full)
                expectValuesAsMutagenReads(reader, path);
            continue;
        }
        // Refused: nothing is written, whatever the host tries.
        EXPECT_EQ(c.opens ? 0 : kw5::kE_INVALIDARG, opened);
        lib.PutPropertyFromId(KW5_WSTR("TCON"), {KW5_WSTR("Jazz")}, 0);
        EXPECT_LT(lib.Close(kind), 0);
        EXPECT_LT(lib.FormatFile(hostString(path), kind), 0);
        EXPECT_TRUE(c.opens || lib.CheckFileFormat(hostString(path), kind) != 0);
        EXPECT_EQ(kw5test::readFile(path), before);
        if (!c.conflict)
            continue;
        const std::string id(c.conflict, 4);
        ASSERT_EQ(0, lib.Open(hostString(path), KW5_OPEN_READWRITE));
        ASSERT_EQ(0, id.size() < std::string(c.conflict).size()
                         ? lib.PutPropertyFromDesc(hostString(id), hostString(c.conflict + 5),
                                                   KW5_WSTR("http://x"), 0)
                         : lib.PutPropertyFromId(hostString(id), {KW5_WSTR("http://x")}, 0));
        ASSERT_EQ(0, lib.Close(kind));
        mutagen("same " + quote(orig) + " " + quote(path) + " " + id + ",TXXX");
    }
}

INSTANTIATE_TEST_SUITE_P(Taggers, ForeignFiles, ::testing::ValuesIn(kForeignCases),
                         [](const ::testing::TestParamInfo<ForeignCase>& info) {
                             return std::string(info.param.writer) + "_" + info.param.name;
                         });
#endif

} // namespace

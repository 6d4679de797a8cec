// kw5tag as a user runs it: exit codes, messages, and what it does to files.
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

struct ToolRun {
    int status;
    std::string out; // stdout and stderr together
};

std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

#ifdef _WIN32
// The arguments as a POSIX shell splits them (the tests quote that way),
// then quoted for the Windows command line and run through cmd.exe with
// UTF-16 text, so the tool sees exactly the UTF-8 arguments of the test.
std::vector<std::string> splitArguments(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '\'') {
            const size_t end = line.find('\'', i + 1);
            word += line.substr(i + 1, end - i - 1);
            i = end;
            inWord = true;
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

std::wstring windowsQuote(const std::string& utf8) {
    const KW5WString text = kw5test::hostString(utf8);
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

ToolRun kw5tag(const std::string& arguments) {
    ToolRun run{-1, ""};
    std::wstring command = L"\"" + windowsQuote(KW5TAG_EXE);
    for (const std::string& word : splitArguments(arguments))
        command += L" " + windowsQuote(word);
    command += L" 2>&1\"";
    FILE* pipe = _wpopen(command.c_str(), L"rb");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), got);
    run.status = _pclose(pipe);
    // Text-mode output ends its lines with CR LF.
    run.out = std::regex_replace(run.out, std::regex("\r\n"), "\n");
    return run;
}
#else
ToolRun kw5tag(const std::string& arguments) {
    ToolRun run{-1, ""};
    std::string command = quote(KW5TAG_EXE) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), got);
    int status = pclose(pipe);
    run.status = (status & 0x7F) == 0 ? (status >> 8) & 0xFF : 128 + (status & 0x7F);
    return run;
}
#endif

class Kw5tag : public ::testing::Test {
protected:
    void SetUp() override {
        sample = dir.file("sample.kw5").string();
        ToolRun made = kw5tag("sample " + quote(sample));
        ASSERT_EQ(made.status, 0) << made.out;
    }
    kw5test::TempDir dir;
    std::string sample;
};

TEST_F(Kw5tag, SampleShowsEveryKindOfFrame) {
    ToolRun show = kw5tag("show " + quote(sample));
    ASSERT_EQ(show.status, 0) << show.out;
    EXPECT_NE(show.out.find("kw5 tag v2.3.0"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("TIT2"), std::string::npos);
    EXPECT_NE(show.out.find("\"The Sample Ensemble\""), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("TXXX:VMK_TRACK"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("WOAR"), std::string::npos);
    EXPECT_NE(show.out.find("GEOB:VMK_LSI"), std::string::npos);
    EXPECT_NE(show.out.find("binary, 384 bytes"), std::string::npos) << show.out;
    // The GM writer puts the VMK_LSI object first.
    EXPECT_LT(show.out.find("GEOB:VMK_LSI"), show.out.find("TIT2")) << show.out;
    ToolRun json = kw5tag("show --json " + quote(sample));
    ASSERT_EQ(json.status, 0) << json.out;
    EXPECT_NE(json.out.find("\"id\":\"TPE1\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"value\":\"The Sample Ensemble\""), std::string::npos);
    EXPECT_NE(json.out.find("\"mimeType\":\"binary\",\"objectSize\":384"), std::string::npos);
}

TEST_F(Kw5tag, SetGetAndDeleteKeepTheAudio) {
    auto before = kw5test::readFile(sample);
    ToolRun set = kw5tag("set " + quote(sample) + " TIT2 'A New Title' --variant gm");
    ASSERT_EQ(set.status, 0) << set.out;
    ToolRun get = kw5tag("get " + quote(sample) + " TIT2");
    EXPECT_EQ(get.status, 0);
    EXPECT_EQ(get.out, "A New Title\n");
    ToolRun user = kw5tag("set " + quote(sample) + " TXXX:MOOD bright --variant gm");
    ASSERT_EQ(user.status, 0) << user.out;
    EXPECT_EQ(kw5tag("get " + quote(sample) + " TXXX:MOOD").out, "bright\n");
    ASSERT_EQ(kw5tag("delete " + quote(sample) + " TXXX:MOOD --variant gm").status, 0);
    ToolRun gone = kw5tag("get " + quote(sample) + " TXXX:MOOD");
    EXPECT_EQ(gone.status, 1) << gone.out;
    ToolRun again = kw5tag("delete " + quote(sample) + " TXXX:MOOD --variant gm");
    EXPECT_EQ(again.status, 1) << again.out;
    auto after = kw5test::readFile(sample);
    const size_t audio = 262144;
    ASSERT_GE(after.size(), audio);
    EXPECT_TRUE(std::equal(before.end() - audio, before.end(), after.end() - audio));
}

TEST_F(Kw5tag, StdRefusesTheSampleWithItsLsiObject) {
    auto before = kw5test::readFile(sample);
    ToolRun set = kw5tag("set TIT2=x --variant std " + quote(sample));
    EXPECT_EQ(set.status, 2);
    EXPECT_NE(set.out.find(sample + ": not written: the STD layout does not allow the VMK_LSI"),
              std::string::npos)
        << set.out;
    EXPECT_NE(set.out.find("0x8004040E"), std::string::npos) << set.out;
    EXPECT_EQ(kw5test::readFile(sample), before);
}

// Each row makes a file of one layout from the sample; set without --variant
// then keeps that layout.
TEST_F(Kw5tag, WritingKeepsTheFilesOwnLayout) {
    std::string object = dir.file("object.bin").string();
    kw5test::writeFile(object, std::vector<unsigned char>(50, 9));
    const struct {
        const char* layout;
        std::vector<std::string> prepare;
    } rows[] = {
        {"GM", {}},
        {"Prask", {"delete GEOB:VMK_LSI", "put-object @ VMK_ULINF " + quote(object)}},
        {"STD", {"delete GEOB:VMK_LSI"}},
    };
    for (const auto& row : rows) {
        std::string file = dir.file(std::string(row.layout) + ".kw5").string();
        std::filesystem::copy_file(sample, file);
        for (std::string step : row.prepare) {
            size_t at = step.find('@');
            step = at == std::string::npos ? step + " " + quote(file)
                                           : step.replace(at, 1, quote(file));
            ToolRun run = kw5tag(step);
            ASSERT_EQ(run.status, 0) << step << ": " << run.out;
        }
        ToolRun set = kw5tag("set 'TIT2=Abend \xC3\xA4' TXXX:MOOD=calm WOAR=http://a "
                             "WOAR=http://b -v " +
                             quote(file));
        ASSERT_EQ(set.status, 0) << row.layout << ": " << set.out;
        EXPECT_NE(set.out.find(std::string("written in the ") + row.layout + " layout"),
                  std::string::npos)
            << set.out;
        EXPECT_EQ(kw5tag("get TIT2 " + quote(file)).out, "Abend \xC3\xA4\n");
        EXPECT_EQ(kw5tag("get " + quote(file) + " WOAR").out, "http://a\nhttp://b\n");
        ToolRun check = kw5tag("check " + quote(file));
        EXPECT_EQ(check.status, 0) << check.out;
        EXPECT_NE(check.out.find(std::string(row.layout) + " layout ("), std::string::npos);
        EXPECT_NE(kw5tag("show " + quote(file)).out.find(std::string("layout: ") + row.layout),
                  std::string::npos);
    }
}

// Several files and a folder walk: a broken file fails alone, files without
// a tag are skipped, one summary line, the worst exit code.
TEST_F(Kw5tag, ManyFilesAndFolders) {
    std::filesystem::create_directories(dir.file("music/disc 2"));
    // The walk names files with the platform's separator.
    auto named = [&](const char* name) { return dir.file(name).make_preferred().string(); };
    std::string a = named("music/a.kw5"), b = named("music/disc 2/b.kw5");
    std::string broken = named("music/broken.kw5");
    std::filesystem::copy_file(sample, a);
    std::filesystem::copy_file(sample, b);
    kw5test::writeFile(dir.file("music/cover.jpg"), std::vector<unsigned char>(300, 0xFF));
    kw5test::writeFile(broken, kw5test::hex("6B 77 35 04 00 00 00 00 00 14"));
    auto brokenBytes = kw5test::readFile(broken);
    std::string music = quote(dir.file("music").string());
    const struct {
        std::string args;
        int status;
        std::vector<std::string> expected;
    } rows[] = {
        {"set -r TIT2=Walked TPE1=Someone " + music,
         2,
         {broken + ": cannot open the tag: the tag is of version 2.4.0; only 2.3.0 is read "
                   "(0x80070057)",
          "kw5tag set: 3 files: 2 done, 1 failed, 1 file without a tag skipped"}},
        {"get TIT2 -r " + music, 2, {a + ": Walked\n", b + ": Walked\n"}},
        {"get TPE1 " + quote(a) + " " + quote(b),
         0,
         {a + ": Someone\n", b + ": Someone\n", "2 files: 2 done"}},
        {"get TXXX:NOPE " + quote(a) + " " + quote(sample),
         1,
         {a + ": no frame TXXX \"NOPE\"", "2 files: 0 done, 2 without the frame"}},
        {"delete TPE1 " + quote(a) + " " + quote(dir.file("nope.kw5").string()),
         2,
         {"nope.kw5: no such file", "2 files: 1 done, 1 failed"}},
        {"show " + music, 2, {"is a folder (add --recursive to walk it)"}},
        {"check -q -r " + music, 2, {"b.kw5: GM layout"}},
        {"convert --variant prask -r " + music, 2, {b + ": rewritten in the Prask layout"}},
    };
    for (const auto& row : rows) {
        ToolRun run = kw5tag(row.args);
        EXPECT_EQ(run.status, row.status) << row.args << ": " << run.out;
        for (const auto& text : row.expected)
            EXPECT_NE(run.out.find(text), std::string::npos) << row.args << ": " << run.out;
    }
    EXPECT_EQ(kw5test::readFile(broken), brokenBytes);
}

// Tags the library will not read, or frames it will not decode: the message
// names the file, the frame and its offset, and the reason in words.
TEST_F(Kw5tag, RefusalsSayWhy) {
    // Tag header "ID3" 2.3.0, flags, size 0x40; a TIT2 frame "x" at offset 10,
    // then the frame under test at offset 22, then padding.
    const std::string tit2 = "54 49 54 32 00 00 00 02 00 00 00 78 ";
    const struct {
        const char* name;
        const char* headerFlags;
        std::string second;
        std::string command;
        const char* expected;
    } rows[] = {
        {"unsync", "80", "54 50 45 31 00 00 00 02 00 00 00 61", "get TIT2",
         "the tag is unsynchronised"},
        {"exthdr", "40", "54 50 45 31 00 00 00 02 00 00 00 61", "get TIT2",
         "the tag has an extended header"},
        {"unknown", "00", "58 59 5A 57 00 00 00 01 00 00 61", "get TIT2",
         "frame XYZW at offset 22: an unknown frame id"},
        {"compressed", "00", "54 50 45 31 00 00 00 05 00 80 00 00 00 01 00", "get TPE1",
         "frame TPE1 at offset 22 is compressed; its value is not read"},
        {"encrypted", "00", "54 50 45 31 00 00 00 02 00 40 01 61", "get TPE1",
         "frame TPE1 at offset 22 is encrypted; its value is not read"},
    };
    for (const auto& row : rows) {
        std::string file = dir.file(std::string(row.name) + ".mp3").string();
        auto bytes = kw5test::hex(std::string("49 44 33 03 00 ") + row.headerFlags +
                                  " 00 00 00 40 " + tit2 + row.second);
        bytes.resize(10 + 0x40 + 8, 0);
        kw5test::writeFile(file, bytes);
        ToolRun run = kw5tag(row.command + " " + quote(file));
        EXPECT_EQ(run.status, 2) << row.name << ": " << run.out;
        EXPECT_NE(run.out.find(file + ": "), std::string::npos) << row.name << ": " << run.out;
        EXPECT_NE(run.out.find(row.expected), std::string::npos) << row.name << ": " << run.out;
        EXPECT_EQ(kw5test::readFile(file), bytes) << row.name;
    }
}

// A dry run says what would change and leaves every byte as it was.
TEST_F(Kw5tag, DryRunWritesNothing) {
    auto before = kw5test::readFile(sample);
    const struct {
        std::string args;
        int status;
        const char* expected;
    } rows[] = {
        {"set -n TIT2=New TXXX:MOOD=bright", 0, "TXXX:MOOD: \"calm\" -> \"bright\""},
        {"set --dry-run TIT2=New", 0, "would be written in the GM layout; nothing written"},
        {"set -n --variant std TIT2=New", 2, "would not be written: the STD layout"},
        {"delete -n TXXX:MOOD TCON", 0, "TCON: would be deleted"},
        {"delete -n TXXX:NOPE", 1, "no frame TXXX \"NOPE\""},
        {"convert -n --variant prask", 0, "does not follow it: there is no VMK_ULINF object"},
        {"convert -n --variant std", 2, "the STD layout does not allow the VMK_LSI object"},
    };
    for (const auto& row : rows) {
        ToolRun run = kw5tag(row.args + " " + quote(sample));
        EXPECT_EQ(run.status, row.status) << row.args << ": " << run.out;
        EXPECT_NE(run.out.find(row.expected), std::string::npos) << row.args << ": " << run.out;
        EXPECT_EQ(kw5test::readFile(sample), before) << row.args;
    }
}

TEST_F(Kw5tag, CheckSaysWhichRuleFailsAndConvertFixesOrder) {
    ToolRun gm = kw5tag("check " + quote(sample) + " --variant gm");
    EXPECT_EQ(gm.status, 0) << gm.out;
    EXPECT_NE(gm.out.find("GM layout (it holds a VMK_LSI object): follows it"), std::string::npos);
    ToolRun std_ = kw5tag("check " + quote(sample) + " --variant std");
    EXPECT_EQ(std_.status, 1) << std_.out;
    EXPECT_NE(std_.out.find("VMK_LSI object is present"), std::string::npos) << std_.out;
    ToolRun prask = kw5tag("check " + quote(sample) + " --variant prask");
    EXPECT_EQ(prask.status, 1);
    EXPECT_NE(prask.out.find("no VMK_ULINF object"), std::string::npos) << prask.out;
    ToolRun convert = kw5tag("convert " + quote(sample) + " --variant prask");
    EXPECT_EQ(convert.status, 0) << convert.out;
    EXPECT_NE(convert.out.find("note:"), std::string::npos) << convert.out;
    ToolRun refused = kw5tag("convert " + quote(sample) + " --variant std");
    EXPECT_EQ(refused.status, 2) << refused.out;
}

TEST_F(Kw5tag, ObjectsRoundTrip) {
    std::string in = dir.file("cover.bin").string();
    std::string out = dir.file("out.bin").string();
    std::vector<unsigned char> bytes(5000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i ^ (i >> 8));
    kw5test::writeFile(in, bytes);
    ToolRun put = kw5tag("put-object " + quote(sample) + " COVER " + quote(in) +
                         " --mime image/png --variant gm");
    ASSERT_EQ(put.status, 0) << put.out;
    ToolRun get = kw5tag("get-object " + quote(sample) + " COVER -o " + quote(out));
    ASSERT_EQ(get.status, 0) << get.out;
    EXPECT_EQ(kw5test::readFile(out), bytes);
    EXPECT_NE(get.out.find("image/png"), std::string::npos);
    EXPECT_EQ(kw5tag("get-object " + quote(sample) + " MISSING -o " + quote(out)).status, 1);
}

// A Japanese file name and an accented value reach the file and come back
// unchanged; no other file is touched.
TEST_F(Kw5tag, NonAsciiNamesAndValuesPassUnchanged) {
    const std::string name = "\xE6\x9D\xB1\xE4\xBA\xAC \xC3\xA9t\xC3\xA9.kw5";
    const std::string value = "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC";
    const std::filesystem::path path = dir.path() / std::filesystem::u8path(name);
    std::filesystem::copy_file(sample, path);
    const auto untouched = kw5test::readFile(sample);
    const std::string arg = quote(path.u8string());
    ToolRun set = kw5tag("set " + arg + " TIT2 " + quote(value) + " --variant gm");
    ASSERT_EQ(set.status, 0) << set.out;
    EXPECT_EQ(kw5tag("get " + arg + " TIT2").out, value + "\n");
    ToolRun show = kw5tag("show " + arg);
    EXPECT_NE(show.out.find("\"" + value + "\""), std::string::npos) << show.out;
    EXPECT_EQ(untouched, kw5test::readFile(sample));
    EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(dir.path()), {}));
}

// show decodes through the library, so it lists what get reads under any code
// page: Shift-JIS bytes in narrow descriptions and values of a tag written
// elsewhere, read as 1252 and as 932. (WXXX takes another description: the
// store keeps one user frame per description.)
TEST_F(Kw5tag, ShowAgreesWithGetUnderCodePages) {
    // Narrow Shift-JIS: TIT2 (flags 40 00) "値", TXXX "テスト" "値", WXXX "値" with a
    // URL, GEOB "テスト" text/plain "abc"; then padding and audio.
    auto bytes =
        kw5test::hex("494433 030000 00000146"
                     "54495432 00000003 4000 00926c"
                     "54585858 0000000a 0000 0083658358836700926c"
                     "57585858 00000015 0000 00926c00687474703a2f2f612e6578616d706c652f"
                     "47454f42 00000018 0000 00746578742f706c61696e00660083658358836700616263");
    bytes.resize(bytes.size() + 100 + 300, 0);
    const std::string path = dir.file("elsewhere.mp3").string();
    kw5test::writeFile(path, bytes);

    struct Row {
        const char* codePage;
        std::string desc, value; // UTF-8 as the code page reads them
    };
    const Row rows[] = {{"1252", "ƒeƒXƒg", "’l"}, {"932", "テスト", "値"}};
    for (const Row& row : rows) {
#ifdef _WIN32
        if (std::string(row.codePage) != "1252")
            continue; // there the code page is the system's
#else
        setenv("KW5_ANSI_CODEPAGE", row.codePage, 1);
#endif
        SCOPED_TRACE(row.codePage);
        const std::string quoted = '"' + row.value + '"';
        const std::string shown[][3] = {
            // name, what get prints, how show's line ends
            {"TIT2", row.value, quoted},
            {"TXXX:" + row.desc, row.value, quoted},
            {"WXXX:" + row.value, "http://a.example/", "\"http://a.example/\""},
            {"GEOB:" + row.desc, "text/plain, 3 bytes", "text/plain, 3 bytes"}};
        ToolRun show = kw5tag("show " + quote(path));
        ASSERT_EQ(show.status, 0) << show.out;
        for (const auto& frame : shown) {
            ToolRun get = kw5tag("get " + quote(frame[0]) + " " + quote(path));
            EXPECT_EQ(get.status, 0) << frame[0] << get.out;
            EXPECT_EQ(get.out.rfind(frame[1], 0), 0u) << get.out;
            const size_t at = show.out.find("  " + frame[0] + " ");
            ASSERT_NE(at, std::string::npos) << frame[0] << "\n" << show.out;
            const std::string line = show.out.substr(at, show.out.find('\n', at) - at);
            EXPECT_EQ(line.substr(line.size() - std::min(line.size(), frame[2].size())), frame[2]);
        }
        ToolRun json = kw5tag("show --json --raw " + quote(path));
        for (const std::string& frame :
             {"{\"id\":\"TIT2\",\"description\":\"\",\"flags\":64,\"size\":3,\"encoding\":0,"
              "\"value\":\"" +
                  row.value + "\",\"body\":\"00926c\"}",
              "{\"id\":\"TXXX\",\"description\":\"" + row.desc +
                  "\",\"flags\":0,\"size\":10,\"encoding\":0,\"value\":\"" + row.value +
                  "\",\"body\":\"0083658358836700926c\"}"})
            EXPECT_NE(json.out.find(frame), std::string::npos) << frame << "\n" << json.out;
    }
#ifndef _WIN32
    unsetenv("KW5_ANSI_CODEPAGE");
#endif
}

TEST_F(Kw5tag, UnknownFramesMoveBetweenFiles) {
    std::string blob = dir.file("unknown.blob").string();
    std::string other = dir.file("other.kw5").string();
    kw5test::writeFile(other, std::vector<unsigned char>(1000, 0x55));
    ToolRun exported = kw5tag("export-unknown " + quote(sample) + " -o " + quote(blob) +
                              " --known TIT2:0 --known TPE1 --known GEOB:124");
    ASSERT_EQ(exported.status, 0) << exported.out;
    auto bytes = kw5test::readFile(blob);
    ASSERT_GE(bytes.size(), 10u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3), "kw5");
    ToolRun imported = kw5tag("import-unknown " + quote(other) + " " + quote(blob));
    ASSERT_EQ(imported.status, 0) << imported.out;
    EXPECT_EQ(kw5tag("get " + quote(other) + " TALB").out, "Field Recordings, Vol. 2\n");
    EXPECT_EQ(kw5tag("get " + quote(other) + " TIT2").status, 1);
    EXPECT_EQ(kw5tag("get " + quote(other) + " GEOB:VMK_LSI").status, 1);
}

TEST_F(Kw5tag, MakeLsiBuildsAnImage) {
    std::string object = dir.file("lsi.bin").string();
    std::string image = dir.file("image.kw5").string();
    kw5test::writeFile(object, std::vector<unsigned char>(100, 7));
    ToolRun made = kw5tag("make-lsi " + quote(object) + " -o " + quote(image));
    ASSERT_EQ(made.status, 0) << made.out;
    auto bytes = kw5test::readFile(image);
    ASSERT_EQ(bytes.size(), 3072u);
    EXPECT_EQ(kw5test::toHex({bytes.begin(), bytes.begin() + 6}), "6B 77 35 03 00 00");
    EXPECT_EQ(std::string(bytes.begin() + 10, bytes.begin() + 14), "GEOB");
}

TEST_F(Kw5tag, BadArgumentsGiveOneLineAndExitTwo) {
    for (const char* args :
         {"", "frobnicate", "get", "set x", "check x", "check x --variant xyz", "get x TOOLONG",
          "set x TXXX v", "show --bogus x", "set TIT2=x", "get TIT2", "delete TIT2",
          "set TIT2=a TIT2=b x", "set TIT2=a x TPE1=b", "set GEOB:X=1 x", "set -q -v TIT2=x x",
          "convert x", "delete TXXX x"}) {
        ToolRun run = kw5tag(args);
        EXPECT_EQ(run.status, 2) << args << ": " << run.out;
        if (*args && std::string(args) != "") {
            EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1)
                << args << ": " << run.out;
        }
    }
    ToolRun missing = kw5tag("show " + quote(dir.file("nope.kw5").string()));
    EXPECT_EQ(missing.status, 2) << missing.out;
}

TEST_F(Kw5tag, HelpReadsWell) {
    ToolRun help = kw5tag("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* command :
         {"show", "get", "set", "delete", "get-object", "put-object", "check", "convert",
          "export-unknown", "import-unknown", "make-lsi", "sample"}) {
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
        ToolRun sub = kw5tag(std::string(command) + " --help");
        EXPECT_EQ(sub.status, 0) << command;
        EXPECT_EQ(sub.out.rfind(std::string("usage: kw5tag ") + command, 0), 0u) << sub.out;
        // Every option the help names is one the command takes.
        for (size_t at = sub.out.find(" --"); at != std::string::npos;
             at = sub.out.find(" --", at + 1)) {
            std::string option =
                sub.out.substr(at + 1, sub.out.find_first_of(" =]\n", at + 1) - at - 1);
            ToolRun tried = kw5tag(std::string(command) + " " + option);
            EXPECT_EQ(tried.out.find("unknown option"), std::string::npos) << tried.out;
        }
        ToolRun man = kw5tag("--man");
        EXPECT_NE(man.out.find(std::string(".SS ") + command), std::string::npos) << command;
        std::string usage = std::string("usage: kw5tag ") + command;
        for (size_t dash = usage.find('-'); dash != std::string::npos;
             dash = usage.find('-', dash + 2))
            usage.replace(dash, 1, "\\-");
        EXPECT_NE(man.out.find(usage), std::string::npos) << usage;
    }
}

} // namespace

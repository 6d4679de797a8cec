// kw5tag as a user runs it: exit codes, messages, and what it does to files.
//
// A case is a list of steps, each {arguments, exit code, expected output}.
// Arguments are separated by '|'; "@" stands for the case's folder, which
// holds "s", a sample made by `kw5tag sample`. The expected output is a
// '|'-separated list of fragments that must all appear ("=" first: the
// whole output). Steps whose first argument starts with '=' are done here:
//   =write|FILE|HEX or =write|FILE|N|BYTE    make a file
//   =copy|FROM|TO                            copy a file (folders made)
//   =same|FILE                               the file as written (s: made)
//   =head|FILE|N                             "SIZE HEX" of its first N bytes
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Step {
    Step(const char* args) : Step(std::string(args)) {}
    Step(const std::string& args, int status = 0, const std::string& expect = "")
        : args(args), status(status), expect(expect) {}
    std::string args;
    int status;
    std::string expect;
};

struct Case {
    std::string name;
    std::vector<Step> steps;
    friend void PrintTo(const Case& row, std::ostream* out) { *out << row.name; }
};

std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, by);)
        out.push_back(item);
    return out;
}

// Runs the tool once with exactly these arguments; stdout and stderr
// together. {-1, ""}: no process could be started or waited for.
std::pair<int, std::string> runOnce(const std::vector<std::string>& args) {
    std::string out;
    std::array<char, 4096> buffer;
#ifdef _WIN32
    // Quoted for the Windows command line, run through cmd.exe as UTF-16.
    auto quote = [](const std::string& utf8) {
        std::wstring out = L"\"";
        size_t slashes = 0;
        for (wchar_t c : kw5test::hostString(utf8)) {
            if (c == L'\\' && ++slashes)
                continue;
            out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
            slashes = 0;
            out += c;
        }
        return out.append(slashes * 2, L'\\') + L"\"";
    };
    std::wstring command = L"\"" + quote(KW5TAG_EXE);
    for (const std::string& arg : args)
        command += L" " + quote(arg);
    FILE* pipe = _wpopen((command + L" 2>&1\"").c_str(), L"rb");
#else
    std::string command = KW5TAG_EXE;
    for (const std::string& arg : args)
        command += " '" + std::regex_replace(arg, std::regex("'"), "'\\''") + "'";
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
#endif
    if (pipe == nullptr)
        return {-1, ""};
    for (size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        out.append(buffer.data(), got);
#ifdef _WIN32
    return {_pclose(pipe), std::regex_replace(out, std::regex("\r\n"), "\n")};
#else
    const int status = pclose(pipe);
    return {(status & 0x7F) == 0 ? (status >> 8) & 0xFF : 128 + (status & 0x7F), out};
#endif
}

// kw5tag never exits with -1, so {-1, ""} means the tool did not run: under
// Wine a start through cmd.exe now and then fails on a loaded machine. Such
// a start is tried again; anything the tool itself said or returned is not.
std::pair<int, std::string> kw5tag(const std::vector<std::string>& args) {
    std::pair<int, std::string> run{-1, ""};
    for (int attempt = 0; attempt < 3 && run.first == -1 && run.second.empty(); ++attempt)
        run = runOnce(args);
    if (run.first == -1 && run.second.empty())
        run.second = "kw5tag did not start (errno " + std::to_string(errno) + ")";
    return run;
}

class Kw5tag : public ::testing::TestWithParam<Case> {};

TEST_P(Kw5tag, Run) {
    kw5test::TempDir dir;
    const std::string at = dir.path().string() + "/";
    ASSERT_EQ(0, kw5tag({"sample", at + "s"}).first);
    std::map<std::string, std::vector<unsigned char>> saved{
        {at + "s", kw5test::readFile(at + "s")}};
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE(step.args);
        std::vector<std::string> a = split(std::regex_replace(step.args, std::regex("@"), at), '|');
        const std::string op = a.empty() ? "" : a[0];
        std::pair<int, std::string> run{0, ""};
        const fs::path file = a.size() > 1 ? fs::u8path(a[1]) : fs::path();
        if (op == "=write") // written files are saved as well
            kw5test::writeFile(file, saved[a[1]] =
                                         a.size() > 3 ? std::vector<unsigned char>(std::stoul(a[2]),
                                                                                   std::stoul(a[3]))
                                                      : kw5test::hex(a[2]));
        else if (op == "=copy") // into a new folder too
            fs::create_directories(fs::u8path(a[2]).parent_path()),
                fs::copy_file(file, fs::u8path(a[2]));
        else if (op == "=same")
            run.first = saved[a[1]] == kw5test::readFile(file) ? 0 : 1;
        else if (op == "=head") {
            const auto bytes = kw5test::readFile(file);
            run.second = std::to_string(bytes.size()) + " " +
                         kw5test::toHex({bytes.begin(), bytes.begin() + std::stoul(a[2])});
        } else
            run = kw5tag(a);
        EXPECT_EQ(step.status, run.first) << run.second;
        for (const std::string& part : split(step.expect, '|'))
            if (part[0] == '=')
                EXPECT_EQ(part.substr(1), run.second);
            else
                EXPECT_NE(std::string::npos, run.second.find(part)) << part << "\n" << run.second;
    }
}

// Tags the library will not read: "ID3" 2.3.0 with these header flags, a
// TIT2 frame "x", the frame under test at offset 22, padding.
std::vector<Step> refusals() {
    const char* rows[][4] = {
        {"80", "545045310000000200000061", "TIT2", "the tag is unsynchronised"},
        {"40", "545045310000000200000061", "TIT2", "the tag has an extended header"},
        {"00", "58595A57000000010000 61", "TIT2", "frame XYZW at offset 22: an unknown frame id"},
        {"00", "545045310000000500800000000100", "TPE1",
         "frame TPE1 at offset 22 is compressed; its value is not read"},
        {"00", "545045310000000200400161", "TPE1",
         "frame TPE1 at offset 22 is encrypted; its value is not read"},
    };
    std::vector<Step> steps;
    for (const auto& row : rows) {
        const std::string bytes = std::string("4944330300") + row[0] + "00000040" +
                                  "544954320000000200000078" + row[1] + std::string(150, '0');
        steps.push_back(
            {"=write|@r|" + std::regex_replace(bytes, std::regex(" "), "").substr(0, 164), 0, ""});
        steps.push_back({std::string("get|") + row[2] + "|@r", 2, std::string("r: |") + row[3]});
        steps.push_back("=same|@r");
    }
    return steps;
}

// Narrow Shift-JIS: TIT2 (flags 40 00) "値", TXXX "テスト" "値", WXXX "値" with a
// URL, GEOB "テスト" text/plain "abc"; then padding.
const std::string kJp = "494433 030000 00000146 54495432 00000003 4000 00926c"
                        "54585858 0000000a 0000 0083658358836700926c"
                        "57585858 00000015 0000 00926c00687474703a2f2f612e6578616d706c652f"
                        "47454f42 00000018 0000 00746578742f706c61696e00660083658358836700616263" +
                        std::string(800, '0');

const Case kCases[] = {
    // clang-format off
    {"SampleShowsEveryKindOfFrame", {
     {"show|@s", 0, "kw5 tag v2.3.0|\"The Sample Ensemble\"|TXXX:VMK_TRACK|WOAR|GEOB:VMK_LSI|"
                    "binary, 384 bytes"},
     {"show|--json|@s", 0, "\"id\":\"TPE1\"|\"encoding\":2,\"value\":\"The Sample Ensemble\"|"
                           "\"mimeType\":\"binary\",\"objectSize\":384"}}},
    {"SetGetDelete", {"set|@s|TIT2|A New Title|--variant|gm", {"get|@s|TIT2", 0, "=A New Title\n"},
     "set|@s|TXXX:MOOD|bright|--variant|gm", {"get|@s|TXXX:MOOD", 0, "=bright\n"},
     "delete|@s|TXXX:MOOD|--variant|gm", {"get|@s|TXXX:MOOD", 1, ""},
     {"delete|@s|TXXX:MOOD|--variant|gm", 1, ""}}},
    {"StdRefusesTheLsiObject", {{"set|TIT2=x|--variant|std|@s", 2,
       "s: not written: the STD layout does not allow the VMK_LSI|0x8004040E"}, "=same|@s"}},
    // set without --variant keeps the layout the file has.
    {"WritingKeepsTheFilesOwnLayout", {"=write|@o|50|9", "=copy|@s|@p", "delete|GEOB:VMK_LSI|@p",
     "=copy|@p|@t", "put-object|@p|VMK_ULINF|@o",
     {"set|TIT2=Abend \xC3\xA4|TXXX:MOOD=calm|WOAR=http://a|WOAR=http://b|-v|@s|@p|@t", 0,
       "written in the GM layout|written in the Prask layout|written in the STD layout"},
     {"get|TIT2|@t", 0, "=Abend \xC3\xA4\n"}, {"get|@p|WOAR", 0, "=http://a\nhttp://b\n"},
     {"check|@s|@p|@t", 0, "GM layout (|Prask layout (|STD layout ("},
     {"show|@p", 0, "layout: Prask"}}},
    // A broken file fails alone, files without a tag are skipped, one
    // summary line, the worst exit code.
    {"ManyFilesAndFolders", {"=copy|@s|@m/a.kw5", "=copy|@s|@m/disc 2/b.kw5",
     "=write|@m/cover.jpg|300|255", "=write|@m/broken.kw5|6B 77 35 04 00 00 00 00 00 14",
     {"set|-r|TIT2=Walked|TPE1=Someone|@m", 2, "broken.kw5: cannot open the tag: the tag is of "
       "version 2.4.0; only 2.3.0 is read (0x80070057)|kw5tag set: 3 files: 2 done, 1 failed, "
       "1 file without a tag skipped"},
     {"get|TIT2|-r|@m", 2, "a.kw5: Walked\n|b.kw5: Walked\n"},
     {"get|TPE1|@m/a.kw5|@s", 0, "a.kw5: Someone\n|2 files: 2 done"},
     {"get|TXXX:NOPE|@m/a.kw5|@s", 1, "a.kw5: no frame TXXX \"NOPE\"|2 files: 0 done, 2 without"},
     {"delete|TPE1|@m/a.kw5|@nope.kw5", 2, "nope.kw5: no such file|2 files: 1 done, 1 failed"},
     {"show|@m", 2, "is a folder (add --recursive to walk it)"},
     {"check|-q|-r|@m", 2, "b.kw5: GM layout"},
     {"convert|--variant|prask|-r|@m", 2, "b.kw5: rewritten in the Prask layout"},
     "=same|@m/broken.kw5"}},
    // The file, the frame and its offset, and the reason in words.
    {"RefusalsSayWhy", refusals()},
    // A dry run says what would change and leaves every byte as it was.
    {"DryRunWritesNothing", {
     {"set|-n|TIT2=New|TXXX:MOOD=bright|@s", 0, "TXXX:MOOD: \"calm\" -> \"bright\""},
     {"set|--dry-run|TIT2=New|@s", 0, "would be written in the GM layout; nothing written"},
     {"set|-n|--variant|std|TIT2=New|@s", 2, "would not be written: the STD layout"},
     {"delete|-n|TXXX:MOOD|TCON|@s", 0, "TCON: would be deleted"},
     {"delete|-n|TXXX:NOPE|@s", 1, "no frame TXXX \"NOPE\""},
     {"convert|-n|--variant|prask|@s", 0, "does not follow it: there is no VMK_ULINF object"},
     {"convert|-n|--variant|std|@s", 2, "the STD layout does not allow the VMK_LSI object"},
     "=same|@s"}},
    {"CheckSaysWhichRuleFailsAndConvertFixesIt", {
     {"check|@s|--variant|gm", 0, "GM layout (it holds a VMK_LSI object): follows it"},
     {"check|@s|--variant|std", 1, "VMK_LSI object is present, which STD does not allow (rule 32)"},
     {"check|@s|--variant=prask", 1, "no VMK_ULINF object (rule 33)"}, {"get|WXYZ|@s", 1, "no frame WXYZ"},
     {"convert|@s|--variant|prask", 0, "note:"}, {"convert|@s|--variant|std", 2, ""}}},
    {"ObjectsAndImages", {"=write|@c|5000|7",
     "put-object|@s|COVER|@c|--mime|image/png|--variant|gm",
     {"get-object|@s|COVER|-o|@o", 0, "image/png"}, {"=head|@o|3", 0, "=5000 07 07 07"},
     {"get-object|@s|MISSING|-o|@o", 1, ""}, "make-lsi|@c|-o|@i",
     {"=head|@i|14", 0, "=6144 6B 77 35 03 00 00 00 00 2F 76 47 45 4F 42"}}},
    // A Japanese file name and an accented value; no other file is touched.
    {"NonAsciiNamesAndValuesPassUnchanged", {
     "=copy|@s|@\xE6\x9D\xB1\xE4\xBA\xAC \xC3\xA9t\xC3\xA9.kw5",
     "set|@\xE6\x9D\xB1\xE4\xBA\xAC \xC3\xA9t\xC3\xA9.kw5|TIT2|"
      "\xF0\x9F\x98\x80" "Caf\xC3\xA9 \"q\" \xE6\x97\xA5|--variant|gm",
     {"get|@\xE6\x9D\xB1\xE4\xBA\xAC \xC3\xA9t\xC3\xA9.kw5|TIT2", 0, "=\xF0\x9F\x98\x80" "Caf\xC3\xA9 \"q\" \xE6\x97\xA5\n"},
     {"show|@\xE6\x9D\xB1\xE4\xBA\xAC \xC3\xA9t\xC3\xA9.kw5", 0, "\"\xF0\x9F\x98\x80" "Caf\xC3\xA9 \"q\" \xE6\x97\xA5\""},
     {"show|--json|@\xE6\x9D\xB1\xE4\xBA\xAC \xC3\xA9t\xC3\xA9.kw5", 0, "Caf\xC3\xA9 \\\"q\\\" \xE6"},
     "=same|@s"}},
    {"UnknownFramesMoveBetweenFiles", {"=write|@o|1000|85",
     "export-unknown|@s|-o|@b|--known|TIT2:0|--known|TPE1|--known|GEOB:124", "import-unknown|@o|@b",
     {"get|@o|TALB", 0, "=Field Recordings, Vol. 2\n"}, {"get|@o|TIT2", 1, ""},
     {"get|@o|GEOB:VMK_LSI", 1, ""}}},
    // show decodes through the library as get does: Shift-JIS bytes in a
    // tag written elsewhere, read under code page 1252.
    {"ShowAgreesWithGet", {"=write|@j|" + kJp,
     {"show|@j", 0, "TIT2 |\xE2\x80\x99l\"|TXXX:\xC6\x92" "e\xC6\x92X\xC6\x92g |"
                    "text/plain, 3 bytes"},
     {"get|TXXX:\xC6\x92" "e\xC6\x92X\xC6\x92g|@j", 0, "=\xE2\x80\x99l\n"},
     {"get|WXXX:\xE2\x80\x99l|@j", 0, "=http://a.example/\n"},
     {"show|--json|--raw|@j", 0, "{\"id\":\"TIT2\",\"description\":\"\",\"flags\":64,\"size\":3,"
       "\"encoding\":0,\"value\":\"\xE2\x80\x99l\",\"body\":\"00926c\"}"}}},
    // clang-format on
};

INSTANTIATE_TEST_SUITE_P(Rows, Kw5tag, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return info.param.name;
                         });

// A bad command line: one line saying why, exit code 2.
TEST(Kw5tagArguments, BadOnesGiveOneLineAndExitTwo) {
    EXPECT_EQ(2, kw5tag({}).first);
    for (const char* args :
         {"frobnicate", "get", "set|x", "check|x|--variant|xyz", "get|x|TOOLONG", "set|x|TXXX|v",
          "show|--bogus|x", "set|TIT2=x", "set|TIT2=a|TIT2=b|x", "set|TIT2=a|x|TPE1=b",
          "set|GEOB:X=1|x", "set|-q|-v|TIT2=x|x", "convert|x", "delete|TXXX|x", "get|TIT2"}) {
        const auto run = kw5tag(split(args, '|'));
        EXPECT_EQ(2, run.first) << args;
        EXPECT_EQ(1, std::count(run.second.begin(), run.second.end(), '\n')) << args << run.second;
    }
}

// Every command's help starts with its usage, names only options it takes,
// and has its section in the manual page.
TEST(Kw5tagHelp, ReadsWell) {
    EXPECT_EQ(0, kw5tag({"--help"}).first);
    const std::string man = kw5tag({"--man"}).second;
    const std::regex option(" (--[a-z-]+)");
    for (const char* command :
         {"show", "get", "set", "delete", "get-object", "put-object", "check", "convert",
          "export-unknown", "import-unknown", "make-lsi", "sample"}) {
        const std::string help = kw5tag({command, "--help"}).second;
        EXPECT_EQ(0u, help.rfind(std::string("usage: kw5tag ") + command, 0)) << help;
        EXPECT_NE(std::string::npos, man.find(std::string(".SS ") + command)) << command;
        for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it)
            EXPECT_EQ(std::string::npos, kw5tag({command, (*it)[1]}).second.find("unknown option"));
    }
}

} // namespace

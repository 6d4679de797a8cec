#include "platform/Process.h"
#include "support/KW5Log.h"
#include "tests/common/TempDir.h"
#include "tests/support/SupportTestHelpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace kw5test;

namespace {

#ifdef _WIN32
const char* const kLineEnd = "\r\n";
#else
const char* const kLineEnd = "\n";
#endif

// "YYYY-MM-DD hh:mm:ss.mmm pid:tid message" and the line end.
const std::regex& linePattern() {
    static const std::regex pattern(
        "(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})\\.(\\d{3}) "
        "([0-9a-f]{8}):([0-9a-f]{8}) "
        "([^\\r\\n]*)\\r?\\n");
    return pattern;
}

// The message of a log line, after checking the line's prefix.
std::string messageOf(const std::string& line) {
    std::smatch match;
    EXPECT_TRUE(std::regex_match(line, match, linePattern())) << line;
    if (match.empty())
        return std::string();
    return match[10].str();
}

std::string hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned int>(value));
    return text;
}

class WriteLogTest : public ::testing::Test {
protected:
    WriteLogTest() : log_(dir_.file("vmkutils.log")), variable_("VMKUTILS_LOG", pathText(log_)) {}

    TempDir dir_;
    std::filesystem::path log_;
    ScopedVariable variable_;
};

} // namespace

TEST_F(WriteLogTest, WritesOneLinePerCallToTheNamedFile) {
    writeLog("value %d %s", 42, "abc");
    writeLog("second line");
    std::vector<std::string> lines = readLines(log_);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("value 42 abc", messageOf(lines[0]));
    EXPECT_EQ("second line", messageOf(lines[1]));
    EXPECT_EQ(kLineEnd, lines[0].substr(lines[0].size() - std::string(kLineEnd).size()));
}

TEST_F(WriteLogTest, PrefixCarriesTheProcessAndThreadIds) {
    writeLog("ids");
    std::vector<std::string> lines = readLines(log_);
    ASSERT_EQ(1u, lines.size());
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, linePattern()));
    EXPECT_EQ(hex8(kw5platform::processId()), match[8].str());
    EXPECT_EQ(hex8(kw5platform::threadId()), match[9].str());
    int month = std::stoi(match[2].str());
    int day = std::stoi(match[3].str());
    EXPECT_GE(std::stoi(match[1].str()), 2024);
    EXPECT_TRUE(month >= 1 && month <= 12);
    EXPECT_TRUE(day >= 1 && day <= 31);
    EXPECT_LE(std::stoi(match[4].str()), 23);
}

TEST_F(WriteLogTest, HostStringsAppearAsUtf8) {
    writeLog("title = %S!", KW5_WSTR("Gr\u00fc\u00dfe \u65e5\u672c"));
    std::vector<std::string> lines = readLines(log_);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("title = Gr\xc3\xbc\xc3\x9f"
              "e \xe6\x97\xa5\xe6\x9c\xac!",
              messageOf(lines[0]));
}

TEST_F(WriteLogTest, WidthsFlagsAndLengthsPassThrough) {
    writeLog("%08x|%-4d|%5s|%lld|%zu|%u|%%|%ld", 0x3cu, 7, "ab", -5000000000ll,
             static_cast<size_t>(12), 4294967295u, -3l);
    std::vector<std::string> lines = readLines(log_);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("0000003c|7   |   ab|-5000000000|12|4294967295|%|-3", messageOf(lines[0]));
}

TEST_F(WriteLogTest, MessageWithItsOwnLineEndIsNotDoubled) {
    writeLog("ends here\n");
    writeLog("next");
    std::vector<std::string> lines = readLines(log_);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("ends here", messageOf(lines[0]));
}

TEST_F(WriteLogTest, AppendsToAnExistingFile) {
    writeFile(log_, {'o', 'l', 'd', '\n'});
    writeLog("new");
    std::vector<std::string> lines = readLines(log_);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("old\n", lines[0]);
    EXPECT_EQ("new", messageOf(lines[1]));
}

TEST_F(WriteLogTest, FollowsTheVariableAtEachLine) {
    writeLog("first file");
    std::filesystem::path other = dir_.file("other.log");
    {
        ScopedVariable moved("VMKUTILS_LOG", pathText(other));
        writeLog("second file");
    }
    writeLog("first again");
    ASSERT_EQ(2u, readLines(log_).size());
    std::vector<std::string> lines = readLines(other);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("second file", messageOf(lines[0]));
}

TEST_F(WriteLogTest, UnwritableDestinationDropsTheLineQuietly) {
    std::filesystem::path missing = dir_.path() / "no-such-folder" / "x.log";
    ScopedVariable moved("VMKUTILS_LOG", pathText(missing));
    writeLog("lost %d", 1);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(WriteLogTest, ThreadsWriteWholeLines) {
    const int kThreads = 4;
    const int kLines = 200;
    const std::string padding(300, '.');
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &padding] {
            for (int i = 0; i < kLines; ++i)
                writeLog("thread %d line %d %s", t, i, padding.c_str());
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::vector<std::string> lines = readLines(log_);
    ASSERT_EQ(static_cast<size_t>(kThreads * kLines), lines.size());
    std::set<std::string> seen;
    for (const std::string& line : lines) {
        std::string message = messageOf(line);
        ASSERT_EQ(padding, message.substr(message.size() - padding.size()));
        seen.insert(message);
    }
    EXPECT_EQ(static_cast<size_t>(kThreads * kLines), seen.size());
}

TEST(WriteLogDefault, GoesToTheUserStateFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "the state folder is %LOCALAPPDATA%, which a test cannot move";
#else
    TempDir dir;
    ScopedVariable noLog("VMKUTILS_LOG");
    ScopedVariable state("XDG_STATE_HOME", pathText(dir.path() / "state"));
    writeLog("to the state folder");
    std::vector<std::string> lines = readLines(dir.path() / "state" / "kw5" / "vmkutils.log");
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find(" to the state folder\n"));
#endif
}

TEST(WriteLogDefault, EmptyVariableCountsAsUnset) {
#ifdef _WIN32
    GTEST_SKIP() << "the state folder is %LOCALAPPDATA%, which a test cannot move";
#else
    TempDir dir;
    ScopedVariable emptyLog("VMKUTILS_LOG", "");
    ScopedVariable state("XDG_STATE_HOME", pathText(dir.path()));
    writeLog("empty name");
    EXPECT_EQ(1u, readLines(dir.path() / "kw5" / "vmkutils.log").size());
#endif
}

#include "platform/CodePage.h"

#include "tests/common/TempDir.h"
#include "tools/codepages/CodePageDigest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

using kw5platform::convertToNarrow;
using kw5platform::convertToWide;
using kw5test::hex;
using kw5test::toHex;

namespace {

std::string narrowOf(const std::string& hexBytes) {
    std::vector<unsigned char> bytes = hex(hexBytes);
    return std::string(bytes.begin(), bytes.end());
}

std::string hexOf(const std::string& narrow) {
    return toHex(std::vector<unsigned char>(narrow.begin(), narrow.end()));
}

class CodePage : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = kw5platform::threadAnsiCodePage();
        ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(1252));
    }
    void TearDown() override { kw5platform::setThreadAnsiCodePage(saved_); }

private:
    unsigned int saved_ = 1252;
};

TEST_F(CodePage, Windows1252BothWays) {
    KW5WString wide;
    ASSERT_TRUE(convertToWide(narrowOf("41 E9 80 9F"), wide));
    EXPECT_EQ(wide, KW5_WSTR("A\u00E9\u20AC\u0178"));
    std::string narrow;
    ASSERT_TRUE(convertToNarrow(wide, narrow));
    EXPECT_EQ(hexOf(narrow), "41 E9 80 9F");
}

TEST_F(CodePage, StopsAtTheFirstNul) {
    KW5WString wide;
    ASSERT_TRUE(convertToWide(std::string("ab\0cd", 5), wide));
    EXPECT_EQ(wide, KW5_WSTR("ab"));
    std::string narrow;
    ASSERT_TRUE(convertToNarrow(KW5WString(KW5_WSTR("xy\0z"), 4), narrow));
    EXPECT_EQ(narrow, "xy");
    // A leading NUL ends the text at once; only a lone NUL is kept.
    ASSERT_TRUE(convertToWide(std::string("\0a", 2), wide));
    EXPECT_TRUE(wide.empty());
}

TEST_F(CodePage, SingleNulStaysASingleNul) {
    KW5WString wide;
    ASSERT_TRUE(convertToWide(std::string(1, '\0'), wide));
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0], 0);
    std::string narrow = "old";
    ASSERT_TRUE(convertToNarrow(KW5WString(1, KW5WChar(0)), narrow));
    EXPECT_EQ(narrow, std::string(1, '\0'));
}

TEST_F(CodePage, EmptyGivesEmpty) {
    KW5WString wide = KW5_WSTR("old");
    ASSERT_TRUE(convertToWide(std::string(), wide));
    EXPECT_TRUE(wide.empty());
    std::string narrow = "old";
    ASSERT_TRUE(convertToNarrow(KW5WString(), narrow));
    EXPECT_TRUE(narrow.empty());
}

TEST_F(CodePage, UnmappableCharactersBecomeQuestionMarks) {
    std::string narrow;
    ASSERT_TRUE(convertToNarrow(KW5_WSTR("a\u65E5b\u0416c"), narrow));
    EXPECT_EQ(narrow, "a?b?c");
    // As on Windows, each unit of a surrogate pair stands for itself.
    ASSERT_TRUE(convertToNarrow(KW5_WSTR("x\U0001F600y"), narrow));
    EXPECT_EQ(narrow, "x??y");
    // Broken surrogates are replaced too, not refused.
    KW5WString broken = KW5_WSTR("p");
    broken += KW5WChar(0xD800);
    broken += KW5_WSTR("q");
    broken += KW5WChar(0xDC00);
    ASSERT_TRUE(convertToNarrow(broken, narrow));
    EXPECT_EQ(narrow, "p?q?");
}

TEST_F(CodePage, BytesWithoutCharacterIn1252PassAsControls) {
    KW5WString wide;
    ASSERT_TRUE(convertToWide(narrowOf("41 81 8D 8F 90 9D 42"), wide));
    EXPECT_EQ(wide, KW5_WSTR("A\u0081\u008D\u008F\u0090\u009DB"));
}

TEST_F(CodePage, JapaneseRoundTripsThrough932) {
    ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(932));
    EXPECT_EQ(kw5platform::threadAnsiCodePage(), 932u);
    std::string narrow;
    ASSERT_TRUE(convertToNarrow(KW5_WSTR("日本語"), narrow));
    EXPECT_EQ(hexOf(narrow), "93 FA 96 7B 8C EA");
    KW5WString wide;
    ASSERT_TRUE(convertToWide(narrow, wide));
    EXPECT_EQ(wide, KW5_WSTR("日本語"));
    // Half-width katakana are single bytes; ASCII stays ASCII.
    ASSERT_TRUE(convertToWide(narrowOf("41 B1 42"), wide));
    EXPECT_EQ(wide, KW5_WSTR("A\uFF71B"));
}

TEST_F(CodePage, Invalid932SequencesAreReplaced) {
    ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(932));
    KW5WString wide;
    // A lead byte cut off by the end of the text, or followed by a byte that
    // is no trail, becomes U+30FB with that byte; 80, A0 and FD to FF are
    // characters of their own.
    ASSERT_TRUE(convertToWide(narrowOf("41 93"), wide));
    EXPECT_EQ(wide, KW5_WSTR("A・"));
    ASSERT_TRUE(convertToWide(narrowOf("81 20 80 A0 FD FE FF"), wide));
    EXPECT_EQ(wide, KW5_WSTR("・"));
    std::string narrow;
    ASSERT_TRUE(convertToNarrow(wide, narrow));
    EXPECT_EQ(hexOf(narrow), "81 45 80 A0 FD FE FF");
    ASSERT_TRUE(convertToNarrow(KW5_WSTR("\u0E01x"), narrow));
    EXPECT_EQ(narrow, "?x");
}

// Every byte, every two-byte sequence and every unit, both ways, against
// digests of what the Win32 converters give (tools/codepages/make-tables.sh).
TEST_F(CodePage, WholeTablesAsWindowsHasThem) {
    const struct {
        unsigned int codePage;
        uint64_t wide;
        uint64_t narrow;
    } digests[] = {
#include "tests/fields/CodePageDigests.inc"
    };
    for (const auto& expected : digests) {
        ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(expected.codePage)) << expected.codePage;
        const uint64_t wide =
            kw5codepages::wideDigest([](const std::string& bytes, std::vector<uint16_t>& units) {
                KW5WString out;
                if (!convertToWide(bytes, out))
                    return false;
                units.assign(out.begin(), out.end());
                return true;
            });
        const uint64_t narrow =
            kw5codepages::narrowDigest([](const std::vector<uint16_t>& units, std::string& bytes) {
                return convertToNarrow(KW5WString(units.begin(), units.end()), bytes);
            });
        EXPECT_EQ(wide, expected.wide) << expected.codePage;
        EXPECT_EQ(narrow, expected.narrow) << expected.codePage;
    }
}

TEST_F(CodePage, BestFitAndUndefinedBytesBothWays) {
    struct Case {
        unsigned int codePage;
        const char16_t* wide;
        const char* narrow;
    } cases[] = {
        {1252, u"\u0081\u008D\u008F\u0090\u009D", "81 8D 8F 90 9D"},
        {1252, u"\u0101\u03B1\u0416", "61 61 3F"},
        {932, u"\u00E9x", "65 78"},
        {28591, u"\u00FF\u0100\u20AC", "FF 41 3F"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(c.codePage)) << c.codePage;
        const KW5WString wide(c.wide, c.wide + std::char_traits<char16_t>::length(c.wide));
        std::string narrow;
        ASSERT_TRUE(convertToNarrow(wide, narrow));
        EXPECT_EQ(hexOf(narrow), c.narrow) << c.codePage;
    }
}

TEST_F(CodePage, Utf8CodePage) {
    ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(65001));
    std::string narrow;
    ASSERT_TRUE(convertToNarrow(KW5_WSTR("\u00E9\u65E5"), narrow));
    EXPECT_EQ(hexOf(narrow), "C3 A9 E6 97 A5");
    KW5WString lone(1, KW5WChar(0xD800));
    ASSERT_TRUE(convertToNarrow(lone + KW5_WSTR("a"), narrow));
    EXPECT_EQ(hexOf(narrow), "EF BF BD 61");
    KW5WString wide;
    ASSERT_TRUE(convertToWide(narrowOf("61 FF 62"), wide));
    EXPECT_EQ(wide, KW5_WSTR("a\uFFFDb"));
}

TEST_F(CodePage, UnknownCodePagesAreRefused) {
    EXPECT_FALSE(kw5platform::setThreadAnsiCodePage(12345));
    EXPECT_FALSE(kw5platform::setThreadAnsiCodePage(0));
    EXPECT_EQ(kw5platform::threadAnsiCodePage(), 1252u);
    EXPECT_TRUE(kw5platform::setThreadAnsiCodePage(1251));
    std::string narrow;
    ASSERT_TRUE(convertToNarrow(KW5_WSTR("\u0416"), narrow));
    EXPECT_EQ(hexOf(narrow), "C6");
}

TEST_F(CodePage, EachThreadHasItsOwnCodePage) {
    ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(932));
    std::string other;
    std::thread worker([&other] {
        kw5platform::setThreadAnsiCodePage(1252);
        convertToNarrow(KW5_WSTR("\u00E9"), other);
    });
    worker.join();
    EXPECT_EQ(hexOf(other), "E9");
    EXPECT_EQ(kw5platform::threadAnsiCodePage(), 932u);
}

#ifndef _WIN32
TEST_F(CodePage, NewThreadsStartFromTheEnvironment) {
    ASSERT_EQ(setenv("KW5_ANSI_CODEPAGE", "932", 1), 0);
    unsigned int seen = 0;
    std::thread([&seen] { seen = kw5platform::threadAnsiCodePage(); }).join();
    EXPECT_EQ(seen, 932u);
    ASSERT_EQ(setenv("KW5_ANSI_CODEPAGE", "not a number", 1), 0);
    std::thread([&seen] { seen = kw5platform::threadAnsiCodePage(); }).join();
    EXPECT_EQ(seen, 1252u);
    unsetenv("KW5_ANSI_CODEPAGE");
    std::thread([&seen] { seen = kw5platform::threadAnsiCodePage(); }).join();
    EXPECT_EQ(seen, 1252u);
}
#endif

} // namespace

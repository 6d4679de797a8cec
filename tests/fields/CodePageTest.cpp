// Narrow texts of frames go through the thread's ANSI code page, as the
// Win32 converters do it.
#include "platform/CodePage.h"
#include "tests/common/TempDir.h"
#include "tools/codepages/CodePageDigest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <tuple>

using kw5platform::convertToNarrow;
using kw5platform::convertToWide;
using kw5test::hex;
using kw5test::toHex;

namespace {

struct CodePage : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(1252)); }
    void TearDown() override { kw5platform::setThreadAnsiCodePage(1252); }
};

// What the whole-table digests below cannot see: texts of several units.
// code page, direction ('W' to wide, 'N' to narrow, 'B' both) -> narrow bytes, wide text.
TEST_F(CodePage, Texts) {
    const std::tuple<unsigned, char, const char*, KW5WString> rows[] = {
        {1252, 'W', "61 62 00 63 64", KW5_WSTR("ab")}, // the first NUL ends the text
        {1252, 'W', "00 61", KW5_WSTR("")},
        {1252, 'B', "00", KW5WString(1, KW5WChar(0))}, // only a lone NUL stays
        {1252, 'B', "", KW5_WSTR("")},
        {1252, 'N', "78 79", KW5WString(KW5_WSTR("xy\0z"), 4)},
        {1252, 'N', "78 3F 3F 79", KW5_WSTR("x\U0001F600y")}, // each surrogate stands alone
        {1252, 'N', "70 3F 71 3F", KW5_WSTR("p\xD800q\xDC00")},
        {932, 'B', "93 FA 96 7B 8C EA", KW5_WSTR("\u65E5\u672C\u8A9E")},
        {932, 'W', "41 93", KW5_WSTR("A\u30FB")},    // a lead byte cut off
        {932, 'W', "81 20 42", KW5_WSTR("\u30FBB")}, // or before a byte that is no trail
        {65001, 'N', "EF BF BD 61",
         KW5_WSTR("\xD800"
                  "a")},
        {65001, 'B', "E6 97 A5 F0 9F 8E B5", KW5_WSTR("\u65E5\U0001F3B5")},
        // Ill-formed UTF-8 as Windows reads it: a first continuation out of
        // range (surrogate, overlong, beyond U+10FFFF) goes with its lead.
        {65001, 'W', "ED A0 80 E0 80 80 41", KW5_WSTR("\uFFFD\uFFFD\uFFFD\uFFFDA")},
        {65001, 'W', "F4 90 80 80 E6 97", KW5_WSTR("\uFFFD\uFFFD\uFFFD\uFFFD")},
        {1251, 'N', "C6", KW5_WSTR("\u0416")},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(std::get<0>(row)));
        const std::vector<unsigned char> bytes = hex(std::get<2>(row));
        KW5WString wide = KW5_WSTR("old");
        std::string narrow = "old";
        if (std::get<1>(row) != 'N') {
            ASSERT_TRUE(convertToWide(std::string(bytes.begin(), bytes.end()), wide));
            EXPECT_TRUE(wide == std::get<3>(row)) << std::get<0>(row) << " " << std::get<2>(row);
        }
        if (std::get<1>(row) != 'W') {
            ASSERT_TRUE(convertToNarrow(std::get<3>(row), narrow));
            EXPECT_EQ(toHex({narrow.begin(), narrow.end()}), std::get<2>(row));
        }
    }
    EXPECT_FALSE(kw5platform::setThreadAnsiCodePage(12345));
    EXPECT_FALSE(kw5platform::setThreadAnsiCodePage(0));
    EXPECT_EQ(kw5platform::threadAnsiCodePage(), 1251u);
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
        ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(expected.codePage));
        EXPECT_EQ(
            kw5codepages::wideDigest([](const std::string& bytes, std::vector<uint16_t>& units) {
                KW5WString out;
                if (!convertToWide(bytes, out))
                    return false;
                units.assign(out.begin(), out.end());
                return true;
            }),
            expected.wide)
            << expected.codePage;
        EXPECT_EQ(
            kw5codepages::narrowDigest([](const std::vector<uint16_t>& units, std::string& bytes) {
                return convertToNarrow(KW5WString(units.begin(), units.end()), bytes);
            }),
            expected.narrow)
            << expected.codePage;
    }
}

TEST_F(CodePage, EachThreadHasItsOwnStartingFromTheEnvironment) {
    ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(932));
    std::thread([] { EXPECT_EQ(kw5platform::threadAnsiCodePage(), 1252u); }).join();
    EXPECT_EQ(kw5platform::threadAnsiCodePage(), 932u);
#ifndef _WIN32
    for (const char* value : {"932", "not a number"}) {
        ASSERT_EQ(setenv("KW5_ANSI_CODEPAGE", value, 1), 0);
        std::thread([value] {
            EXPECT_EQ(kw5platform::threadAnsiCodePage(), *value == '9' ? 932u : 1252u);
        }).join();
    }
    unsetenv("KW5_ANSI_CODEPAGE");
#endif
}

} // namespace

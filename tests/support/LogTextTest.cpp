// Texts of the logs: the host printf (narrow format, %S for host strings),
// UTF-16 and UTF-8, and the shared-file log's lines.
#include "platform/HostPrintf.h"
#include "platform/Process.h"
#include "platform/UnicodeText.h"
#include "support/KW5Log.h"
#include "tests/common/TempDir.h"
#include "tests/support/SupportTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <regex>
#include <thread>

using namespace kw5test;
using kw5platform::formatHost;
namespace fs = std::filesystem;

namespace {

TEST(HostPrintf, Conversions) {
    int n = -1;
    const KW5WChar face[] = {0xD83D, 0xDE00, 0}, lone[] = {'a', 0xDC00, 'b', 0}, e = 0xE9;
    const KW5WChar cut[3] = {'x', 'y', 'z'}, *none = nullptr;
    const char narrow[2] = {'p', 'q'}, *null = nullptr;
    char pointer[64];
    std::snprintf(pointer, sizeof pointer, "%p %ld", static_cast<void*>(&n), LONG_MIN);
    const KW5WString u = KW5_WSTR("Gr\u00fc\u00dfe \u65e5");
    const std::string rows[][2] = {
        {"", formatHost("") + formatHost(nullptr)},
        {"100% 00001a2b 4000000000 -17",
         formatHost("%d%% %08x %u %i", 100, 0x1a2b, 4000000000u, -17)},
        {"[  -42][42   ][+7][ 7]", formatHost("[%5d][%-5d][%+d][% d]", -42, 42, 7, 7)},
        {"0x1f 017 1F 00042", formatHost("%#x %#o %X %.5d", 31, 15, 31, 42)},
        {"[   4][4   ][004][4]", formatHost("[%*d][%*d][%.*d][%.*d]", 4, 4, -4, 4, 3, 4, -1, 4)},
        {"-9223372036854775807 18446744073709551615", formatHost("%lld %llu", -LLONG_MAX, ~0ull)},
        {pointer, formatHost("%p %ld", static_cast<void*>(&n), LONG_MIN)},
        {"4000000000 -5", formatHost("%zu %td", size_t(4e9), ptrdiff_t(-5))},
        {"-1 255 -1 65535", formatHost("%hhd %hhu %hd %hu", 255, 255, 65535, 65535)},
        {"12345678901 -5 7", formatHost("%I64d %I32d %jd", int64_t(12345678901), -5, intmax_t(7))},
        {"[abc][  abc][ab](null)", formatHost("[%s][%5s][%.2s]%s", "abc", "abc", "abc", null)},
        {"x narrow (null)", formatHost("%c %hs %S", 'x', "narrow", none)},
        {"3.14 2.500000e+00 0.5 1.50", formatHost("%.2f %e %g %.2Lf", 3.14159, 2.5, 0.5, 1.5L)},
        {"Gr\xc3\xbc\xc3\x9f\x65 \xe6\x97\xa5 Gr", formatHost("%S %.2ls", u.c_str(), u.c_str())},
        {"[   ab][ab   ]", formatHost("[%5S][%-5S]", KW5_WSTR("ab"), KW5_WSTR("ab"))},
        // A surrogate pair whole or dropped, never halved; a lone one replaced.
        {"\xf0\x9f\x98\x80||a\xef\xbf\xbd\x62", formatHost("%S|%.1S|%S", face, face, lone)},
        // The precision bounds the units read.
        {"xyz pq \xc3\xa9|\xc3\xa9", formatHost("%.3S %.2s %C|%lc", cut, narrow, e, e)},
        {"1 two 3 four 5.0", formatHost("%d %S %u %s %.1f", 1, KW5_WSTR("two"), 3u, "four", 5.0)},
        // An unknown conversion copies the rest and stops; %n writes nothing.
        {"a 1 %y %d", formatHost("a %d %y %d", 1, 2)},
        {"dangling %|half %5|ab",
         formatHost("dangling %|") + formatHost("half %5|") + formatHost("a%nb", &n)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row[0], row[1]);
    EXPECT_EQ(-1, n);
    EXPECT_EQ(std::string(65534, ' ') + "1", formatHost("%999999999d", 1));
}

TEST(UnicodeText, Conversions) {
    const KW5WChar text[] = {'A', 0xE9, 0x65E5, 0xD83D, 0xDE00, 0}, bad = 0xFFFD;
    const KW5WChar lone[] = {0xD800, 'a', 0xDFFF, 0xD83D, 0};
    EXPECT_EQ("A\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80", kw5platform::utf16ToUtf8(text));
    EXPECT_EQ(KW5WString(text), kw5platform::utf8ToUtf16("A\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80"));
    EXPECT_EQ("\xef\xbf\xbd\x61\xef\xbf\xbd\xef\xbf\xbd", kw5platform::utf16ToUtf8(lone));
    // A stray continuation byte, a cut sequence, an overlong "/", a
    // surrogate code point, a value past U+10FFFF.
    EXPECT_EQ(KW5WString(1, bad) + KW5WChar('x') + KW5WString(11, bad),
              kw5platform::utf8ToUtf16("\x80x\xe6\x97\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80"));
}

// "YYYY-MM-DD hh:mm:ss.mmm pid:tid message" and the line end.
std::vector<std::string> messages(const fs::path& log, bool thisThread = true) {
#ifdef _WIN32
    static const std::regex pattern("\\d{4}-\\d\\d-\\d\\d ([01]\\d|2[0-3]):\\d\\d:\\d\\d\\.\\d{3} "
                                    "([0-9a-f]{8}:[0-9a-f]{8}) ([^\\r\\n]*)\\r\\n");
#else
    static const std::regex pattern("\\d{4}-\\d\\d-\\d\\d ([01]\\d|2[0-3]):\\d\\d:\\d\\d\\.\\d{3} "
                                    "([0-9a-f]{8}:[0-9a-f]{8}) ([^\\r\\n]*)\\n");
#endif
    char ids[20];
    std::snprintf(ids, sizeof ids, "%08x:%08x", kw5platform::processId(), kw5platform::threadId());
    std::vector<std::string> out;
    for (const std::string& line : readLines(log)) {
        std::smatch match;
        bool ok = std::regex_match(line, match, pattern);
        out.push_back(ok ? match[3].str() : "raw:" + line);
        EXPECT_TRUE(!ok || match[2].str().substr(0, thisThread ? 17 : 8) ==
                               std::string(ids).substr(0, thisThread ? 17 : 8));
    }
    return out;
}

TEST(WriteLog, LinesInTheNamedFile) {
    TempDir dir;
    fs::path log = dir.file("vmkutils.log"), other = dir.file("other.log");
    ScopedEnv variable("VMKUTILS_LOG", log.u8string());
    writeFile(log, {'o', 'l', 'd', '\n'});
    writeLog("value %d %S!", 42, KW5_WSTR("Gr\u00fc\u00dfe"));
    writeLog("%08x|%-4d|%5s|%lld|%zu|%%", 0x3cu, 7, "ab", -5000000000ll, size_t(12));
    writeLog("ends here\n"); // not doubled
    {
        ScopedEnv moved("VMKUTILS_LOG", other.u8string()); // followed at each line
        writeLog("second file");
        ScopedEnv lost("VMKUTILS_LOG", (dir.path() / "no" / "x.log").u8string());
        writeLog("lost %d", 1);
    }
    std::thread([] { writeLog("first again"); }).join();
    EXPECT_EQ((std::vector<std::string>{"raw:old\n", "value 42 Gr\xc3\xbc\xc3\x9f\x65!",
                                        "0000003c|7   |   ab|-5000000000|12|%", "ends here",
                                        "first again"}),
              messages(log, false));
    EXPECT_EQ(std::vector<std::string>{"second file"}, messages(other));
    EXPECT_FALSE(fs::exists(dir.path() / "no"));
#ifndef _WIN32
    // Unset or empty, the variable leaves the line to the user's state folder.
    ScopedEnv state("XDG_STATE_HOME", dir.path().u8string()), unset("VMKUTILS_LOG");
    writeLog("unset");
    ScopedEnv empty("VMKUTILS_LOG", "");
    writeLog("empty");
    EXPECT_EQ((std::vector<std::string>{"unset", "empty"}),
              messages(dir.path() / "kw5" / "vmkutils.log"));
#endif
}

TEST(WriteLog, ThreadsWriteWholeLines) {
    TempDir dir;
    ScopedEnv variable("VMKUTILS_LOG", dir.file("log").u8string());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                writeLog("%d %d %s", t, i, std::string(300, '.').c_str());
        });
    for (std::thread& thread : threads)
        thread.join();
    std::vector<std::string> lines = messages(dir.file("log"), false);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(800, std::unique(lines.begin(), lines.end()) - lines.begin());
    EXPECT_EQ(std::string(300, '.'), lines.back().substr(lines.back().size() - 300));
}

} // namespace

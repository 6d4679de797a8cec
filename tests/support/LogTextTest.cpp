// Texts of the logs: the host printf (narrow format, %S for host strings),
// and the shared-file log's lines.
#include "platform/HostPrintf.h"
#include "platform/Process.h"
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
    const KW5WString u = KW5_WSTR("Gr\u00fc\u00dfe \u65e5");
    const std::string rows[][2] = {
        {"", formatHost("") + formatHost(nullptr)},
        {"100% 00001a2b 4000000000 -17",
         formatHost("%d%% %08x %u %i", 100, 0x1a2b, 4000000000u, -17)},
        {"[  -42][42   ][+7][ 7]", formatHost("[%5d][%-5d][%+d][% d]", -42, 42, 7, 7)},
        {"0x1f 017 1F 00042", formatHost("%#x %#o %X %.5d", 31, 15, 31, 42)},
        {"[   4][4   ][004][4]", formatHost("[%*d][%*d][%.*d][%.*d]", 4, 4, -4, 4, 3, 4, -1, 4)},
        {"-9223372036854775807 18446744073709551615", formatHost("%lld %llu", -LLONG_MAX, ~0ull)},
        {std::to_string(LONG_MIN), formatHost("%ld", LONG_MIN)},
        {"4000000000 -5", formatHost("%zu %td", size_t(4e9), ptrdiff_t(-5))},
        {"-1 255 -1 65535", formatHost("%hhd %hhu %hd %hu", 255, 255, 65535, 65535)},
        {"12345678901 -5 7", formatHost("%I64d %I32d %jd", int64_t(12345678901), -5, intmax_t(7))},
        {"[abc][  abc][ab](null)", formatHost("[%s][%5s][%.2s]%s", "abc", "abc", "abc", null)},
        {"x narrow (null) 1", formatHost("%c %hs %S %d", 'x', "narrow", none, 1)},
        {"3.14 2.500000e+00 0.5 1.50", formatHost("%.2f %e %g %.2Lf", 3.14159, 2.5, 0.5, 1.5L)},
        {"Gr\xc3\xbc\xc3\x9f\x65 \xe6\x97\xa5 Gr", formatHost("%S %.2ls", u.c_str(), u.c_str())},
        {"[   ab][ab   ]", formatHost("[%5S][%-5S]", KW5_WSTR("ab"), KW5_WSTR("ab"))},
        // A surrogate pair whole or dropped, never halved; a lone one replaced.
        {"\xf0\x9f\x98\x80||a\xef\xbf\xbd\x62", formatHost("%S|%.1S|%S", face, face, lone)},
        // The precision bounds the units read.
        {"xyz pq \xc3\xa9|\xc3\xa9", formatHost("%.3S %.2s %C|%lc", cut, narrow, e, e)},
        {"[]", formatHost("[%.0S]", face + 1)}, // reads no unit, not even the one before
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

// The messages of "YYYY-MM-DD hh:mm:ss.mmm pid:tid message" lines of this
// process (of this thread unless anyThread), with the platform's line end.
std::vector<std::string> messages(const fs::path& log, bool anyThread = false) {
    static const std::regex pattern("\\d{4}-\\d\\d-\\d\\d ([01]\\d|2[0-3]):\\d\\d:\\d\\d\\.\\d{3} "
                                    "([0-9a-f]{8}):([0-9a-f]{8}) ([^\\r\\n]*)\\r?\\n");
    char pid[9], tid[9];
    std::snprintf(pid, sizeof pid, "%08x", kw5platform::processId());
    std::snprintf(tid, sizeof tid, "%08x", kw5platform::threadId());
    std::vector<std::string> out;
    for (const std::string& line : readLines(log)) {
        std::smatch m;
        bool ours = std::regex_match(line, m, pattern) && m[2] == pid && (anyThread || m[3] == tid);
        out.push_back(ours ? m[4].str() : "other:" + line);
    }
    return out;
}

// One line per call to the file the variable names at that call, appended, its line end not
// doubled; a line that cannot be written is dropped; threads write whole lines.
TEST(WriteLog, Lines) {
    TempDir dir;
    fs::path log = dir.file("vmkutils.log"), other = dir.file("other.log");
    ScopedEnv variable("VMKUTILS_LOG", log.u8string()),
        state("XDG_STATE_HOME", dir.path().u8string());
    writeFile(log, {'o', 'l', 'd', '\n'});
    writeLog("value %d %S!", 42, KW5_WSTR("Gr\u00fc\u00dfe"));
    writeLog("%08x|%-4d|%5s|%lld|%zu|%%", 0x3cu, 7, "ab", -5000000000ll, size_t(12));
    writeLog("ends here\n");
    {
        ScopedEnv moved("VMKUTILS_LOG", other.u8string());
        writeLog("second file");
        ScopedEnv lost("VMKUTILS_LOG", (dir.path() / "no" / "x.log").u8string());
        writeLog("lost %d", 1);
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                writeLog("%d %d %s", t, i, std::string(300, '.').c_str());
        });
    for (std::thread& thread : threads)
        thread.join();
    std::vector<std::string> lines = messages(log, true);
    EXPECT_EQ((std::vector<std::string>{"other:old\n", "value 42 Gr\xc3\xbc\xc3\x9f\x65!",
                                        "0000003c|7   |   ab|-5000000000|12|%", "ends here"}),
              std::vector<std::string>(lines.begin(), lines.begin() + 4));
    std::sort(lines.begin() + 4, lines.end());
    EXPECT_EQ(804, std::unique(lines.begin(), lines.end()) - lines.begin());
    EXPECT_EQ(std::string(300, '.'), lines.back().substr(lines.back().size() - 300));
    EXPECT_EQ(std::vector<std::string>{"second file"}, messages(other));
    EXPECT_FALSE(fs::exists(dir.path() / "no"));
}

} // namespace

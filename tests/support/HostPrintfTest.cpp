#include "platform/HostPrintf.h"

#include "kw5/Types.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>

using kw5platform::formatHost;

namespace {

template <typename... Args> std::string crt(const char* format, Args... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

} // namespace

TEST(HostPrintf, PlainTextAndPercent) {
    EXPECT_EQ("", formatHost(""));
    EXPECT_EQ("no conversions", formatHost("no conversions"));
    EXPECT_EQ("100% sure %", formatHost("100%% sure %%"));
}

TEST(HostPrintf, NullFormatGivesNothing) {
    EXPECT_EQ("", formatHost(nullptr));
}

TEST(HostPrintf, IntegersWithFlagsAndWidthsMatchTheCRuntime) {
    EXPECT_EQ(crt("%08x", 0x1a2bu), formatHost("%08x", 0x1a2bu));
    EXPECT_EQ("00001a2b", formatHost("%08x", 0x1a2bu));
    EXPECT_EQ(crt("%u %d %i", 4000000000u, -17, 42), formatHost("%u %d %i", 4000000000u, -17, 42));
    EXPECT_EQ("[  -42]|[42   ]|[+7]|[ 7]", formatHost("[%5d]|[%-5d]|[%+d]|[% d]", -42, 42, 7, 7));
    EXPECT_EQ("0x1f 017 1F", formatHost("%#x %#o %X", 31, 15, 31));
    EXPECT_EQ("00042", formatHost("%.5d", 42));
    EXPECT_EQ("[   42]", formatHost("[%*d]", 5, 42));
    EXPECT_EQ("[42   ]", formatHost("[%*d]", -5, 42));
    EXPECT_EQ("[00042]", formatHost("[%.*d]", 5, 42));
    EXPECT_EQ("[42]", formatHost("[%.*d]", -1, 42));
}

TEST(HostPrintf, LengthModifiersReadTheRightArgument) {
    EXPECT_EQ("-9223372036854775807 18446744073709551615",
              formatHost("%lld %llu", -LLONG_MAX, ULLONG_MAX));
    EXPECT_EQ(crt("%ld %lu", LONG_MIN, ULONG_MAX), formatHost("%ld %lu", LONG_MIN, ULONG_MAX));
    EXPECT_EQ("4000000000 -5",
              formatHost("%zu %td", static_cast<size_t>(4000000000u), static_cast<ptrdiff_t>(-5)));
    EXPECT_EQ("-1 255 -1 65535", formatHost("%hhd %hhu %hd %hu", 255, 255, 65535, 65535));
    EXPECT_EQ("12345678901 -5", formatHost("%I64d %I32d", static_cast<int64_t>(12345678901ll),
                                           static_cast<int32_t>(-5)));
    EXPECT_EQ("7 after", formatHost("%jd %s", static_cast<intmax_t>(7), "after"));
}

TEST(HostPrintf, NarrowStringsCharactersAndPointers) {
    EXPECT_EQ("[abc] [  abc] [abc  ] [ab]",
              formatHost("[%s] [%5s] [%-5s] [%.2s]", "abc", "abc", "abc", "abc"));
    EXPECT_EQ("(null)", formatHost("%s", static_cast<const char*>(nullptr)));
    EXPECT_EQ("x narrow", formatHost("%c %hs", 'x', "narrow"));
    int anything = 0;
    EXPECT_EQ(crt("%p", static_cast<void*>(&anything)),
              formatHost("%p", static_cast<void*>(&anything)));
}

TEST(HostPrintf, FloatingPoint) {
    EXPECT_EQ("3.14 2.500000e+00 0.5", formatHost("%.2f %e %g", 3.14159, 2.5, 0.5));
    EXPECT_EQ("1.50", formatHost("%.2Lf", 1.5L));
}

TEST(HostPrintf, HostStringsBecomeUtf8) {
    const KW5WChar* greeting = KW5_WSTR("Gr\u00fc\u00dfe \u65e5\u672c");
    EXPECT_EQ("Gr\xc3\xbc\xc3\x9f"
              "e \xe6\x97\xa5\xe6\x9c\xac",
              formatHost("%S", greeting));
    EXPECT_EQ("same", formatHost("%ls", KW5_WSTR("same")));
    EXPECT_EQ("(null)", formatHost("%S", static_cast<const KW5WChar*>(nullptr)));
}

TEST(HostPrintf, HostStringWidthPrecisionAndSurrogates) {
    EXPECT_EQ("[   ab]", formatHost("[%5S]", KW5_WSTR("ab")));
    EXPECT_EQ("[ab   ]", formatHost("[%-5S]", KW5_WSTR("ab")));
    EXPECT_EQ("[abc]", formatHost("[%.3S]", KW5_WSTR("abcdef")));
    // U+1F600 as a pair: whole, or dropped rather than halved.
    const KW5WChar face[] = {0xD83D, 0xDE00, 0};
    EXPECT_EQ("\xf0\x9f\x98\x80", formatHost("%S", face));
    EXPECT_EQ("", formatHost("%.1S", face));
    // A lone surrogate is not a character.
    const KW5WChar lone[] = {'a', 0xDC00, 'b', 0};
    EXPECT_EQ("a\xef\xbf\xbd"
              "b",
              formatHost("%S", lone));
}

TEST(HostPrintf, PrecisionBoundsTheUnitsRead) {
    // No terminator inside the first three units: only they may be read.
    const KW5WChar unterminated[3] = {'x', 'y', 'z'};
    EXPECT_EQ("xyz", formatHost("%.3S", unterminated));
    const char narrow[2] = {'p', 'q'};
    EXPECT_EQ("pq", formatHost("%.2s", narrow));
}

TEST(HostPrintf, HostCharacters) {
    EXPECT_EQ("\xc3\xa9|\xc3\xa9",
              formatHost("%C|%lc", static_cast<KW5WChar>(0xE9), static_cast<KW5WChar>(0xE9)));
}

TEST(HostPrintf, MixedConversionsKeepArgumentOrder) {
    EXPECT_EQ("util get li failed: path = C:\\x 80004005",
              formatHost("util get li failed: path = %S %x", KW5_WSTR("C:\\x"), 0x80004005u));
    EXPECT_EQ("1 two 3 four 5.0",
              formatHost("%d %S %u %s %.1f", 1, KW5_WSTR("two"), 3u, "four", 5.0));
}

TEST(HostPrintf, UnknownConversionCopiesTheRestAndStops) {
    EXPECT_EQ("a 1 %y %d", formatHost("a %d %y %d", 1, 2));
    EXPECT_EQ("dangling %", formatHost("dangling %"));
    EXPECT_EQ("half %5", formatHost("half %5"));
}

TEST(HostPrintf, PercentNWritesNothing) {
    int count = -1;
    EXPECT_EQ("ab", formatHost("a%nb", &count));
    EXPECT_EQ(-1, count);
}

TEST(HostPrintf, HugeWidthIsClamped) {
    std::string out = formatHost("%999999999d", 1);
    EXPECT_EQ(65535u, out.size());
    EXPECT_EQ('1', out.back());
}

#include "platform/UnicodeText.h"

#include <gtest/gtest.h>

using kw5platform::utf16ToUtf8;
using kw5platform::utf8ToUtf16;

TEST(UnicodeText, RoundTripsEveryLength) {
    KW5WString text = KW5_WSTR("A\u00e9\u65e5");
    text += static_cast<KW5WChar>(0xD83D);
    text += static_cast<KW5WChar>(0xDE00);
    std::string utf8 = utf16ToUtf8(text);
    EXPECT_EQ("A\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80", utf8);
    EXPECT_EQ(text, utf8ToUtf16(utf8));
}

TEST(UnicodeText, BrokenUtf8BecomesReplacementCharacters) {
    const KW5WChar bad = 0xFFFD;
    // A stray continuation byte, a cut sequence, an overlong "/", a
    // surrogate code point, and a value past U+10FFFF.
    EXPECT_EQ(KW5WString(1, bad) + KW5WChar('x'), utf8ToUtf16("\x80x"));
    EXPECT_EQ(KW5WString(2, bad), utf8ToUtf16("\xe6\x97"));
    EXPECT_EQ(KW5WString(2, bad), utf8ToUtf16("\xc0\xaf"));
    EXPECT_EQ(KW5WString(3, bad), utf8ToUtf16("\xed\xa0\x80"));
    EXPECT_EQ(KW5WString(4, bad), utf8ToUtf16("\xf4\x90\x80\x80"));
}

TEST(UnicodeText, LoneSurrogatesBecomeReplacementCharacters) {
    KW5WString text;
    text += static_cast<KW5WChar>(0xD800);
    text += KW5WChar('a');
    text += static_cast<KW5WChar>(0xDFFF);
    EXPECT_EQ("\xef\xbf\xbd"
              "a\xef\xbf\xbd",
              utf16ToUtf8(text));
    KW5WString cut(1, static_cast<KW5WChar>(0xD83D));
    EXPECT_EQ("\xef\xbf\xbd", utf16ToUtf8(cut));
}

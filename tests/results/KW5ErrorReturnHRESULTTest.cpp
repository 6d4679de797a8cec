#include "facade/KW5ErrorReturnHRESULT.h"

#include <gtest/gtest.h>

namespace {

HRESULT translate(int value) {
    return KW5ErrorReturnHRESULT(static_cast<_KW5_FILE_RET>(value));
}

uint32_t u(HRESULT hr) { return static_cast<uint32_t>(hr); }

TEST(ResultCodes, SuccessAndTheAnswersThatDidNothing) {
    EXPECT_EQ(u(translate(1)), 0u);
    EXPECT_EQ(u(translate(7)), 1u);
    EXPECT_EQ(u(translate(17)), 1u);
    EXPECT_EQ(u(translate(18)), 1u);
}

TEST(ResultCodes, ArgumentPointerAndMemoryFailures) {
    for (int v : {14, 15, 16})
        EXPECT_EQ(u(translate(v)), 0x80070057u) << v;
    EXPECT_EQ(u(translate(12)), 0x80004003u);
    EXPECT_EQ(u(translate(8)), 0x8007000Eu);
    EXPECT_EQ(u(translate(34)), 0x80004001u);
    EXPECT_EQ(u(translate(21)), 0x80040A08u);
}

TEST(ResultCodes, FormatRulesShareOneCode) {
    for (int v = 27; v <= 33; ++v)
        EXPECT_EQ(u(translate(v)), 0x8004040Eu) << v;
}

TEST(ResultCodes, NetworkErrorsBecomeWin32Codes) {
    EXPECT_EQ(u(translate(22)), 0x80070040u);
    EXPECT_EQ(u(translate(23)), 0x80070041u);
    EXPECT_EQ(u(translate(24)), 0x80070035u);
    EXPECT_EQ(u(translate(25)), 0x80070043u);
    EXPECT_EQ(u(translate(26)), 0x8007052Eu);
}

TEST(ResultCodes, EverythingElseIsAGeneralFailure) {
    for (int v : {2, 3, 4, 5, 6, 9, 13, 19, 20, 10, 11, 0, -1, 35, 99})
        EXPECT_EQ(u(translate(v)), 0x80004005u) << v;
}

TEST(ResultCodes, HresultFromWin32KeepsNonPositiveCodes) {
    EXPECT_EQ(kw5HresultFromWin32(0), 0);
    EXPECT_EQ(kw5HresultFromWin32(-5), -5);
    EXPECT_EQ(u(kw5HresultFromWin32(0x12345)), 0x80072345u);
}

} // namespace

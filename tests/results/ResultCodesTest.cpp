// The one translation of internal results to the HRESULTs a host sees,
// reached through the exported class's own member.
#include "kw5/CKW5VorletLib.h"

#include <gtest/gtest.h>

namespace {

struct Probe : CKW5VorletLib {
    uint32_t translate(int value) {
        return static_cast<uint32_t>(KW5ErrorReturnHRESULT(static_cast<_KW5_FILE_RET>(value)));
    }
};

TEST(ResultCodes, EveryInternalResultHasItsHresult) {
    // Each row: the internal results, then the HRESULT they all become.
    // clang-format off
    const std::vector<std::vector<uint32_t>> rows = {
        {1, 0}, {7, 17, 18, 1}, {14, 15, 16, 0x80070057u}, {12, 0x80004003u}, {8, 0x8007000Eu},
        {34, 0x80004001u}, {21, 0x80040A08u}, {27, 28, 29, 30, 31, 32, 33, 0x8004040Eu},
        {22, 0x80070040u}, {23, 0x80070041u}, {24, 0x80070035u}, {25, 0x80070043u},
        {26, 0x8007052Eu},
        {2, 3, 4, 5, 6, 9, 13, 19, 20, 10, 11, 0, 0xFFFFFFFFu, 35, 99, 0x80004005u}};
    // clang-format on
    Probe probe;
    for (const auto& row : rows)
        for (size_t i = 0; i + 1 < row.size(); ++i)
            EXPECT_EQ(row.back(), probe.translate(static_cast<int>(row[i]))) << row[i];
}

} // namespace

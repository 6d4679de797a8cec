// A small script driver for the tests of the exported class.
//
// A case is a row {name, files, script}.
//
// files: one description per file, separated by spaces; the files are named
// a, b, c ... in the folder of the case ("-" makes no file). A description
// is a comma-separated list of items, written out byte by byte here and not
// by the library:
//   ID[:DESC][/ENC][#FLAGS]=VALUE   a frame; ENC 0 narrow (default), 1 UTF-16
//                                   with BOM, 2 UTF-16 BE; FLAGS hex, low byte
//                                   first on disk; VALUE text, or 0xHEX as the
//                                   whole body; GEOB takes MIME|DATA
//   pad=N  raw=HEX  audio=N         padding, bytes as they are, audio after
//   ID3  head=HEX  size=N           magic; version and flags (030000); the size
//   notag                           no tag header at all
// DATA is HEX or pat:N (N bytes of a fixed pattern).
//
// script: statements separated by ';', each "CALL ARGS [-> RESULT [OUT]]"
// (without "->" the call must answer S_OK; "CALL = OUT" is "CALL -> ok OUT"). RESULT is ok false
// fail arg ptr oom fmt neg; OUT is the call's output as text ("-" for nothing, "~" for an output
// left untouched), "@DESC" for the bytes of a description, "=" for the file as the case made it
// ("=b": file b), "%b" for file b as it is now. Value lists are
// '|'-separated ("-" empty). The calls are listed in Driver.cpp.
#ifndef KW5_TESTS_FACADE_DRIVER_H
#define KW5_TESTS_FACADE_DRIVER_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kw5test {

typedef std::vector<unsigned char> Bytes;

Bytes build(const std::string& desc);

struct Case {
    std::string name;
    std::string files;
    std::string script;
    friend void PrintTo(const Case& row, std::ostream* out) { *out << row.name; }
};

void runCase(const Case& row);

} // namespace kw5test

// One parameterised test per table: ctest lists Rows/SUITE.Run/ROWNAME.
#define KW5_CASES(Suite, rows)                                                                     \
    class Suite : public ::testing::TestWithParam<kw5test::Case> {};                               \
    TEST_P(Suite, Run) {                                                                           \
        kw5test::runCase(GetParam());                                                              \
    }                                                                                              \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Rows, Suite, ::testing::ValuesIn(rows),                                                    \
        [](const ::testing::TestParamInfo<kw5test::Case>& info) { return info.param.name; })

#endif

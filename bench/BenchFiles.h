// Where the benchmark files are and how they are named.
#ifndef KW5_BENCH_BENCHFILES_H
#define KW5_BENCH_BENCHFILES_H

#include "kw5/Types.h"

#include <string>
#include <vector>

namespace kw5bench {

// The folder that MakeCorpus filled (environment KW5_BENCH_DIR).
std::string benchDir();
std::vector<std::string> corpusFiles();
// The big file with this many MiB of audio.
std::string bigFile(int mebibytes);
KW5WString host(const std::string& text);

} // namespace kw5bench

#endif

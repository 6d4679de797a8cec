#include "bench/BenchFiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace kw5bench {

std::string benchDir() {
    const char* dir = std::getenv("KW5_BENCH_DIR");
    return dir && *dir ? dir : "/tmp/kw5-bench";
}

std::vector<std::string> corpusFiles() {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(benchDir() + "/corpus", ec))
        files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string bigFile(int mebibytes) {
    return benchDir() + "/big-" + std::to_string(mebibytes) + ".mp3";
}

KW5WString host(const std::string& text) {
    return KW5WString(text.begin(), text.end());
}

} // namespace kw5bench

// One remake of a big file through the library, then the process's peak
// resident memory: the audio must be streamed, never held.
#include "bench/BenchFiles.h"
#include "kw5/CKW5VorletLib.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

long peakKibibytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmHWM:") == 0)
            return std::stol(line.substr(6));
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kw5bench_peak FILE\n");
        return 2;
    }
    KW5WString path = kw5bench::host(argv[1]);
    long before = peakKibibytes();
    for (int round = 0; round < 2; ++round) {
        CKW5VorletLib lib;
        if (lib.Open(path, KW5_OPEN_READWRITE) != 0)
            return 1;
        KW5WString filler = round == 0 ? KW5WString(8192, KW5WChar('f')) : KW5WString();
        LONG kind = KW5_FORMAT_STD;
        if (lib.PutPropertyFromDesc(KW5_WSTR("TXXX"), KW5_WSTR("FILLER"), filler, 0) != 0 ||
            lib.Close(kind) != 0)
            return 1;
    }
    std::printf("%ld %ld\n", before, peakKibibytes());
    return 0;
}

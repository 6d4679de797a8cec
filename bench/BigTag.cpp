// Big tags through the library: opening tags of many small frames of each
// kind, writing a tag of many objects, and one large object opened and
// written with the peak memory it took. Prints one line per case:
//   name <TAB> milliseconds (median of the rounds) <TAB> peak MiB over the
//   process before the case <TAB> tag MiB
//   kw5bench_bigtag DIR [--quick]
#include "bench/BenchFiles.h"
#include "kw5/CKW5VorletLib.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

void put32(Bytes& out, uint32_t n) {
    for (int shift : {24, 16, 8, 0})
        out.push_back(static_cast<unsigned char>(n >> shift));
}

void append(Bytes& out, const std::string& text, bool terminate) {
    out.insert(out.end(), text.begin(), text.end());
    if (terminate)
        out.push_back(0);
}

void frame(Bytes& out, const char* id, const Bytes& body) {
    out.insert(out.end(), id, id + 4);
    put32(out, static_cast<uint32_t>(body.size()));
    out.push_back(0);
    out.push_back(0);
    out.insert(out.end(), body.begin(), body.end());
}

// Encoding 0 throughout: every text frame is re-encoded on its way out.
Bytes body(const std::string& kind, size_t n, size_t objectBytes) {
    const std::string tag = std::to_string(n);
    Bytes b;
    if (kind == "WOAR") {
        append(b, "http://example.com/a/" + tag, false);
        return b;
    }
    b.push_back(0);
    if (kind == "WXXX") {
        append(b, "link" + tag, true);
        append(b, "http://example.com/" + tag, false);
    } else if (kind == "TXXX") {
        append(b, "KEY" + tag, true);
        append(b, "value " + tag, false);
    } else {
        append(b, "application/octet-stream", true);
        append(b, "f" + tag + ".bin", true);
        append(b, "object " + tag, true);
        b.resize(b.size() + objectBytes, static_cast<unsigned char>(n));
    }
    return b;
}

void writeTagFile(const std::string& path, const std::string& kind, size_t count,
                  size_t objectBytes) {
    Bytes frames;
    for (size_t n = 0; n < count; ++n)
        frame(frames, kind.c_str(), body(kind, n, objectBytes));
    frames.resize(frames.size() + 1024, 0); // padding
    Bytes header = {'I', 'D', '3', 3, 0, 0};
    const uint32_t size = static_cast<uint32_t>(frames.size());
    for (int shift : {21, 14, 7, 0})
        header.push_back(static_cast<unsigned char>((size >> shift) & 0x7F));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    out.write(reinterpret_cast<const char*>(frames.data()), frames.size());
    const std::string audio(64 * 1024, '\x55');
    out.write(audio.data(), audio.size());
}

long statusKib(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::char_traits<char>::length(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0)
            return std::stol(line.substr(length));
    return -1;
}

// Starts a new peak: the high-water mark drops to the current size.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const std::string& name, double ms, double peakMib, double tagMib) {
    std::printf("%s\t%.1f\t%.1f\t%.1f\n", name.c_str(), ms, peakMib, tagMib);
    std::fflush(stdout);
}

double fileMib(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return static_cast<double>(in.tellg()) / (1024.0 * 1024.0);
}

bool openCase(const std::string& path, int rounds, double& ms) {
    std::vector<double> times;
    KW5WString host = kw5bench::host(path);
    for (int r = 0; r < rounds; ++r) {
        auto start = std::chrono::steady_clock::now();
        {
            CKW5VorletLib lib;
            if (lib.Open(host, KW5_OPEN_READONLY) != 0)
                return false;
        }
        times.push_back(msSince(start));
    }
    ms = median(times);
    return true;
}

// Open, change one text, write: the time of the write (Close) alone. Each
// round starts from the file as made (every object re-encoded, the tag
// rewritten whole), not from the previous round's result.
bool writeCase(const std::string& path, size_t objects, int rounds, double& ms, double& peakMib) {
    std::vector<double> times;
    KW5WString host = kw5bench::host(path);
    resetPeak();
    const long before = statusKib("VmRSS:");
    for (int r = 0; r < rounds; ++r) {
        writeTagFile(path, "GEOB", objects, 8);
        CKW5VorletLib lib;
        if (lib.Open(host, KW5_OPEN_READWRITE) != 0)
            return false;
        if (lib.PutPropertyFromDesc(KW5_WSTR("TXXX"), KW5_WSTR("ROUND"),
                                    kw5bench::host(std::to_string(r)), 0) != 0)
            return false;
        LONG kind = KW5_FORMAT_STD;
        auto start = std::chrono::steady_clock::now();
        if (lib.Close(kind) != 0)
            return false;
        times.push_back(msSince(start));
    }
    peakMib = static_cast<double>(statusKib("VmHWM:") - before) / 1024.0;
    ms = median(times);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kw5bench_bigtag DIR [--quick]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool quick = argc > 2 && std::string(argv[2]) == "--quick";
    const size_t frames = quick ? 10000 : 100000;
    const size_t objects = quick ? 2000 : 20000;
    const size_t bigObject = quick ? 10u << 20 : 100u << 20;

    for (const char* kind : {"WOAR", "WXXX", "TXXX", "GEOB"}) {
        const std::string path = dir + "/bigtag-" + kind + ".mp3";
        writeTagFile(path, kind, frames, 8);
        double ms = 0;
        if (!openCase(path, 3, ms)) {
            std::fprintf(stderr, "open of %s failed\n", path.c_str());
            return 1;
        }
        report(std::string("open ") + std::to_string(frames) + " " + kind, ms, 0, fileMib(path));
    }

    const std::string many = dir + "/bigtag-objects.mp3";
    double ms = 0, peak = 0;
    if (!writeCase(many, objects, 3, ms, peak)) {
        std::fprintf(stderr, "write of %s failed\n", many.c_str());
        return 1;
    }
    report("write " + std::to_string(objects) + " objects", ms, peak, fileMib(many));

    // One large object: open + write in one round, peak memory over it.
    const std::string big = dir + "/bigtag-object.mp3";
    writeTagFile(big, "GEOB", 1, bigObject);
    const double tagMib = fileMib(big) - 0.0625;
    resetPeak();
    const long before = statusKib("VmRSS:");
    auto start = std::chrono::steady_clock::now();
    {
        CKW5VorletLib lib;
        LONG kind = KW5_FORMAT_STD;
        if (lib.Open(kw5bench::host(big), KW5_OPEN_READWRITE) != 0 ||
            lib.PutPropertyFromDesc(KW5_WSTR("TXXX"), KW5_WSTR("ROUND"), KW5_WSTR("1"), 0) != 0 ||
            lib.Close(kind) != 0) {
            std::fprintf(stderr, "open + write of %s failed\n", big.c_str());
            return 1;
        }
    }
    ms = msSince(start);
    peak = static_cast<double>(statusKib("VmHWM:") - before) / 1024.0;
    report("open + write one object of " + std::to_string(bigObject >> 20) + " MiB", ms, peak,
           tagMib);
    return 0;
}

// Fuzzes the write paths. The input is a file and a script: the first two
// bytes give the length of the file's bytes that follow; the rest is a
// sequence of steps (Puts, deletions, numbered series, an unknown-frame
// import of part of the input, Update of each kind, FormatFile and
// CheckAndFormatFile). After every step:
//   - the file still opens, unless it never did;
//   - the audio after the tag is byte for byte what it was;
//   - a successful Put reads back (a deletion finds nothing);
//   - a failed step changed neither the open tag nor the file;
//   - a step that does not write (every Put) leaves the file alone.
// A broken rule aborts, which libFuzzer reports as a finding.
#include "kw5/CKW5VorletLib.h"
#include "kw5/TaskMem.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

KW5WString widen(const std::string& text) {
    return KW5WString(text.begin(), text.end());
}

const std::string& scratchPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        // Parallel fuzzing jobs share TMPDIR: each process needs its own file.
        return std::string(dir && *dir ? dir : "/tmp") + "/kw5fuzzw-" +
               std::to_string(std::random_device()()) + ".kw5";
    }();
    return path;
}

bool writeFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool whole = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && whole;
}

Bytes readFile(const std::string& path) {
    Bytes out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        unsigned char chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            out.insert(out.end(), chunk, chunk + n);
        std::fclose(f);
    }
    return out;
}

// The bytes after the tag its header announces (the whole file without a
// tag; nothing when the tag claims more than the file holds).
Bytes audioOf(const Bytes& file) {
    size_t tag = 0;
    if (file.size() >= 10 && ((file[0] == 'k' && file[1] == 'w' && file[2] == '5') ||
                              (file[0] == 'I' && file[1] == 'D' && file[2] == '3')))
        tag = 10 + ((file[6] & 0x7Fu) << 21 | (file[7] & 0x7Fu) << 14 | (file[8] & 0x7Fu) << 7 |
                    (file[9] & 0x7Fu));
    return tag >= file.size() ? Bytes() : Bytes(file.begin() + static_cast<long>(tag), file.end());
}

[[noreturn]] void broken(const char* rule, int step, int op) {
    std::fprintf(stderr, "rule broken: %s (step %d, op %d)\n", rule, step, op);
    std::abort();
}

// Every frame of the open tag, as the unknown-frame export gives them.
struct Snapshot {
    LONG result = 0;
    Bytes frames;
};

Snapshot snapshot(CKW5VorletLib& lib) {
    Snapshot out;
    std::vector<_StructProperty*> known;
    unsigned char* blob = nullptr;
    ULONG size = 0;
    out.result = lib.GetSDKUnknown(known, blob, size);
    if (out.result == 0 && blob != nullptr)
        out.frames.assign(blob, blob + size);
    CoTaskMemFree(blob);
    return out;
}

bool opens(const std::string& path) {
    CKW5VorletLib check;
    return check.Open(widen(path), KW5_OPEN_READONLY) == 0;
}

// Reads the script byte by byte; zeros once it is used up.
class Script {
public:
    Script(const uint8_t* data, size_t size) : data_(data), size_(size), at_(0) {}
    bool done() const { return at_ >= size_; }
    unsigned next() { return at_ < size_ ? data_[at_++] : 0; }
    std::string text() {
        size_t length = 1 + next() % 40;
        if (next() % 8 == 0)
            length += 200 + next() * 8; // beyond a padding unit now and then
        std::string out;
        for (size_t i = 0; i < length; ++i)
            out += static_cast<char>('a' + (next() + i) % 26);
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_;
};

const char* const kIds[] = {"TIT2", "TPE1", "TALB", "TCOM", "WOAR", "WCOM", "TXXX", "TLEN"};
const char* const kDescs[] = {"VMK_TRACK", "VMK_TIT2S", "VMK_FTHBL1", "A", ""};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > (1u << 20))
        return 0;
    size_t fileLength = (data[0] | size_t(data[1]) << 8) % (size - 1);
    const uint8_t* fileBytes = data + 2;
    Script script(data + 2 + fileLength, size - 2 - fileLength);
    const std::string& path = scratchPath();
    const KW5WString hostPath = widen(path);
    if (!writeFile(path, fileBytes, fileLength))
        return 0;

    const Bytes audio = audioOf(readFile(path));
    bool opened = opens(path);
    CKW5VorletLib lib;
    lib.Open(hostPath, script.next() % 2 ? KW5_OPEN_READWRITE_ALL : KW5_OPEN_READWRITE);
    for (int step = 0; step < 12 && !script.done(); ++step) {
        const Bytes before = readFile(path);
        const Snapshot tagBefore = snapshot(lib);
        const unsigned op = script.next() % 9;
        LONG hr = 0;
        bool writes = false;
        // What a successful Put must read back: (frame, desc) -> value.
        LONG frame = 0, desc = 0;
        std::string value;
        bool deleted = false;
        switch (op) {
        case 0:
        case 1: {
            frame = 1 + script.next() % 19;
            desc = script.next() % 164;
            deleted = op == 1;
            value = deleted ? std::string() : script.text();
            std::vector<KW5WString> values;
            if (!deleted)
                values.push_back(widen(value));
            hr = lib.PutString(frame, desc, values, 0, 0);
            break;
        }
        case 2: {
            std::vector<KW5WString> values = {widen(script.text())};
            hr = lib.PutPropertyFromId(widen(kIds[script.next() % 8]), values, 0);
            break;
        }
        case 3:
            hr = lib.PutPropertyFromDesc(widen(script.next() % 2 ? "TXXX" : "WXXX"),
                                         widen(kDescs[script.next() % 5]), widen(script.text()), 0);
            break;
        case 4: {
            size_t from = fileLength ? (script.next() << 8 | script.next()) % fileLength : 0;
            size_t count = fileLength - from;
            if (script.next() % 2)
                count = count ? 1 + (script.next() << 4) % count : 0;
            hr = lib.PutSDKUnknown(fileBytes + from, static_cast<LONG>(count));
            break;
        }
        case 5:
        case 6:
            writes = true;
            hr = lib.Update(static_cast<LONG>(script.next() % 5));
            break;
        case 7:
        case 8: {
            writes = true;
            CKW5VorletLib other;
            LONG kind = static_cast<LONG>(script.next() % 5);
            hr = op == 7 ? other.FormatFile(hostPath, kind)
                         : other.CheckAndFormatFile(hostPath, kind);
            break;
        }
        }
        const Bytes after = readFile(path);
        if (audioOf(after) != audio)
            broken("the audio changed", step, static_cast<int>(op));
        if ((!writes || hr != 0) && after != before)
            broken("a step that failed or does not write changed the file", step,
                   static_cast<int>(op));
        if (hr != 0 && !writes) {
            Snapshot tagAfter = snapshot(lib);
            if (tagAfter.result != tagBefore.result || tagAfter.frames != tagBefore.frames)
                broken("a failed Put changed the tag", step, static_cast<int>(op));
        }
        if (writes && hr == 0 && opened && !opens(path))
            broken("a written file does not open again", step, static_cast<int>(op));
        if (frame != 0 && hr == 0) {
            std::vector<KW5WString> got;
            LONG found = lib.GetString(frame, desc, got);
            if (deleted ? found == 0 && !got.empty()
                        : found != 0 || got.empty() ||
                              widen(value).compare(0, got[0].size(), got[0]) != 0)
                broken("a Put does not read back", step, static_cast<int>(op));
        }
        opened = opened || (writes && hr == 0 && opens(path));
    }
    std::remove(path.c_str());
    return 0;
}

// Fuzzes everything a hostile tag image reaches: Open from memory and every
// Get, the unknown-frame export, the format checks of the image written to a
// file, the direct file scan, a rewrite of that file in each variant's
// layout and its conversion, object tag images built from the bytes, and the
// unknown-frame import of the image.
#include "kw5/CKW5VorletLib.h"
#include "kw5/TaskMem.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

KW5WString widen(const std::string& text) {
    return KW5WString(text.begin(), text.end());
}

const std::string& scratchPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/kw5fuzz-" +
               std::to_string(static_cast<long>(std::rand())) + ".kw5";
    }();
    return path;
}

void freeValues(std::vector<_StructBinVal*>& values) {
    for (auto* value : values) {
        CoTaskMemFree(value->data);
        delete value;
    }
    values.clear();
}

void readEverything(CKW5VorletLib& lib) {
    // A spread of index pairs: plain frames, user frames, numbered series.
    static const LONG kFrames[] = {1, 3, 7, 8, 12, 13, 14, 15, 18};
    static const LONG kDescs[] = {0, 1, 13, 44, 77, 122, 124, 138};
    for (LONG frame : kFrames)
        for (LONG desc : kDescs) {
            std::vector<KW5WString> strings;
            lib.GetString(frame, desc, strings);
            std::vector<unsigned short> flags;
            lib.GetFrameFlag(frame, desc, flags);
            std::vector<_StructBinVal*> values;
            lib.GetBinary(frame, desc, values);
            freeValues(values);
        }
    for (const char* id : {"TIT2", "TXXX", "WXXX", "WOAR", "WCOM", "GEOB", "APIC", "COMM"}) {
        std::vector<KW5WString> values;
        lib.GetPropertyFromId(widen(id), values);
        KW5WString value;
        lib.GetPropertyFromDesc(widen(id), widen("VMK_TRACK"), value);
        _StructBinVal record = {nullptr, 0, KW5WString()};
        _StructBinVal* out = &record;
        lib.GetBinaryFromDesc(widen(id), widen("VMK_LSI"), out);
        CoTaskMemFree(record.data);
    }
    std::vector<_StructProperty*> known;
    _StructProperty title = {1, 0};
    known.push_back(&title);
    unsigned char* blob = nullptr;
    ULONG blobSize = 0;
    if (lib.GetSDKUnknown(known, blob, blobSize) == 0)
        CoTaskMemFree(blob);
    LONG size = 0;
    lib.GetId3TagSize(&size);
}

bool writeScratch(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool whole = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && whole;
}

// The image as the head of a file that is rewritten: a text change closed
// in a variant's layout, read back, and a conversion of the file. The last
// input byte picks the variant, so the fuzzer reaches every writer.
void rewriteFile(const std::string& path, const uint8_t* data, size_t size) {
    const LONG kind = size ? data[size - 1] % 4 : 3;
    const KW5WString hostPath = widen(path);
    if (writeScratch(path, data, size)) {
        {
            CKW5VorletLib lib;
            if (lib.Open(hostPath, KW5_OPEN_READWRITE_ALL) == 0) {
                std::vector<KW5WString> title = {widen("fuzz")};
                lib.PutString(1, 0, title, 2, 0);
                lib.Close(kind);
            }
        }
        CKW5VorletLib reread;
        if (reread.Open(hostPath, KW5_OPEN_READONLY) == 0)
            readEverything(reread);
    }
    if (writeScratch(path, data, size)) {
        CKW5VorletLib lib;
        lib.CheckAndFormatFile(hostPath, kind);
        lib.FormatFile(hostPath, (kind + 1) % 4);
    }
    std::remove(path.c_str());
}

// The input as the host's objects of an in-memory tag image.
void buildImages(const uint8_t* data, size_t size) {
    CKW5VorletLib lib;
    unsigned char* image = nullptr;
    LONG imageSize = 0;
    if (lib.GetSimpleVorletVMKLSI(data, static_cast<LONG>(size), &image, &imageSize) == 0)
        CoTaskMemFree(image);
    image = nullptr;
    const size_t half = size / 2;
    if (lib.GetSimpleVorletVMKLSI_VMKOLINF(data, static_cast<LONG>(half), data + half,
                                           static_cast<LONG>(size - half), &image, &imageSize) == 0)
        CoTaskMemFree(image);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    {
        CKW5VorletLib lib;
        if (lib.Open(data, static_cast<LONG>(size)) == 0)
            readEverything(lib);
    }
    // The same bytes as the head of a file: checks, scans, and an import.
    const std::string& path = scratchPath();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        KW5WString hostPath = widen(path);
        CKW5VorletLib lib;
        for (LONG kind : {0, 1, 2, 3})
            lib.CheckFileFormat(hostPath, kind);
        std::vector<KW5WString> values;
        lib.SeekPropertyFromId(hostPath, widen("TIT2"), values);
        KW5WString value;
        lib.SeekPropertyFromDesc(hostPath, widen("TXXX"), widen("VMK_TRACK"), value);
        _StructBinVal record = {nullptr, 0, KW5WString()};
        _StructBinVal* out = &record;
        if (lib.SeekBinaryFromDesc(hostPath, widen("GEOB"), widen("VMK_LSI"), out) == 0)
            CoTaskMemFree(record.data);
        std::remove(path.c_str());
    }
    rewriteFile(path, data, size);
    buildImages(data, size);
    {
        CKW5VorletLib lib;
        // An open object with nothing on disk behind it: the import must
        // neither crash nor leak; nothing is ever written (no Update).
        lib.Open(widen(path + ".absent"), 2);
        lib.PutSDKUnknown(data, static_cast<LONG>(size));
        readEverything(lib);
    }
    return 0;
}

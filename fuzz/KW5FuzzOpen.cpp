// Fuzzes everything a hostile tag image reaches: Open from memory and every
// Get, the unknown-frame export, the format checks of the image written to a
// file, the direct file scan, and the unknown-frame import of the image.
#include "kw5/CKW5VorletLib.h"
#include "kw5/TaskMem.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

KW5WString widen(const std::string& text) { return KW5WString(text.begin(), text.end()); }

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

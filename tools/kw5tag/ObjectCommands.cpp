// kw5tag get-object / put-object / make-lsi: encapsulated objects.
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Batch.h"
#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/TagFile.h"
#include "tools/kw5tag/Utf8.h"

#include <cstdio>
#include <limits>

namespace kw5tag {

namespace {

// The block the library hands out, freed whatever happens next.
struct TaskBlock {
    unsigned char* data = nullptr;
    ~TaskBlock() { CoTaskMemFree(data); }
};

LONG objectSize(const std::vector<unsigned char>& bytes, const std::string& path) {
    if (bytes.size() > static_cast<size_t>(std::numeric_limits<LONG>::max()))
        throw Failure("'" + path + "' is too large to be an object");
    return static_cast<LONG>(bytes.size());
}

} // namespace

int runGetObject(const std::vector<std::string>& argv) {
    Args args(argv, {{"--output", "-o", true, false}});
    args.expectPositionals(2, 2, "kw5tag get-object FILE DESC -o OUT");
    if (!args.has("--output"))
        throw UsageError("missing -o OUT; usage: kw5tag get-object FILE DESC -o OUT");
    const std::string& descText = args.positionals()[1];
    FrameName name{"GEOB", fromUtf8(descText), true, "GEOB:" + descText};
    Batch batch("get-object", args);
    return batch.run({args.positionals()[0]}, [&](const std::string& path) {
        TagFile file(path, KW5_OPEN_READONLY);
        _StructBinVal value = {nullptr, 0, KW5WString()};
        _StructBinVal* record = &value;
        HRESULT hr = file.lib().GetBinaryFromDesc(KW5_WSTR("GEOB"), name.description, record);
        if (hr == kw5::kS_FALSE) {
            batch.tell(path, "no " + frameLabel(name));
            return int(kExitNotFound);
        }
        requireOk(hr, frameLabel(name) + ": cannot read it");
        TaskBlock block;
        block.data = value.data;
        writeWholeFile(args.value("--output"), value.data, value.dataSize);
        std::printf("wrote %u bytes (%s) to %s\n", static_cast<unsigned>(value.dataSize),
                    value.mimeType.empty() ? "no MIME type" : toUtf8(value.mimeType).c_str(),
                    args.value("--output").c_str());
        return int(kExitOk);
    });
}

int runPutObject(const std::vector<std::string>& argv) {
    Args args(argv, {{"--mime", "", true, false},
                     {"--variant", "", true, false},
                     {"--protected", "", false, false}});
    args.expectPositionals(3, 3, "kw5tag put-object FILE DESC IN [--mime TYPE] [--variant V]");
    const std::string& descText = args.positionals()[1];
    if (descText.empty())
        throw UsageError("an object needs a description");
    FrameName name{"GEOB", fromUtf8(descText), true, "GEOB:" + descText};
    std::string variant = args.value("--variant");
    if (args.has("--variant"))
        parseVariant(variant);
    std::vector<unsigned char> bytes = readWholeFile(args.positionals()[2]);
    objectSize(bytes, args.positionals()[2]);

    Batch batch("put-object", args);
    return batch.run({args.positionals()[0]}, [&](const std::string& path) {
        TagFile file(path, args.has("--protected") ? KW5_OPEN_READWRITE_ALL : KW5_OPEN_READWRITE);
        _StructBinVal value = {bytes.empty() ? nullptr : bytes.data(),
                               static_cast<ULONG>(bytes.size()),
                               fromUtf8(args.value("--mime", "application/octet-stream"))};
        _StructBinVal* record = &value;
        HRESULT hr = file.lib().PutBinaryFromDesc(KW5_WSTR("GEOB"), name.description, record, 0);
        if (hr == kw5::kS_FALSE)
            throw Failure(frameLabel(name) + ": not stored: the object is protected " +
                          "(read-only flag, VMK_SINFO or VMK_ASGTM); add --protected");
        requireOk(hr, frameLabel(name) + ": not stored");
        // After the change: storing a VMK_LSI object makes the file a GM file.
        file.save(file.layoutToWrite(variant));
        return int(kExitOk);
    });
}

int runMakeLsi(const std::vector<std::string>& argv) {
    Args args(argv, {{"--output", "-o", true, false}});
    args.expectPositionals(1, 2, "kw5tag make-lsi OBJECT [OBJECT2] -o IMAGE");
    if (!args.has("--output"))
        throw UsageError("missing -o IMAGE; usage: kw5tag make-lsi OBJECT [OBJECT2] -o IMAGE");
    std::vector<unsigned char> first = readWholeFile(args.positionals()[0]);
    LONG firstSize = objectSize(first, args.positionals()[0]);
    static const unsigned char kEmpty = 0;
    CKW5VorletLib lib;
    TaskBlock image;
    LONG imageSize = 0;
    HRESULT hr;
    if (args.positionals().size() == 2) {
        std::vector<unsigned char> second = readWholeFile(args.positionals()[1]);
        LONG secondSize = objectSize(second, args.positionals()[1]);
        hr = lib.GetSimpleVorletVMKLSI_VMKOLINF(first.empty() ? &kEmpty : first.data(), firstSize,
                                                second.empty() ? &kEmpty : second.data(),
                                                secondSize, &image.data, &imageSize);
    } else {
        hr = lib.GetSimpleVorletVMKLSI(first.empty() ? &kEmpty : first.data(), firstSize,
                                       &image.data, &imageSize);
    }
    requireOk(hr, "cannot build the image");
    writeWholeFile(args.value("--output"), image.data, static_cast<size_t>(imageSize));
    std::printf("wrote a %ld-byte tag image to %s\n", static_cast<long>(imageSize),
                args.value("--output").c_str());
    return kExitOk;
}

} // namespace kw5tag

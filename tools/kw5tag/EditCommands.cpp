// kw5tag get / set / delete: text, URL and user frames by name, over many
// files.
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Batch.h"
#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/EditForms.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/FrameWalker.h"
#include "tools/kw5tag/TagFile.h"
#include "tools/kw5tag/Utf8.h"

#include <cstdio>

namespace kw5tag {

namespace {

const std::vector<OptionSpec> kWriteOptions = {
    {"--variant", "", true, false},
    {"--protected", "", false, false},
};

LONG writeMode(const Args& args) {
    return args.has("--protected") ? KW5_OPEN_READWRITE_ALL : KW5_OPEN_READWRITE;
}

// --variant, checked before any file is touched; empty for the file's own.
std::string variantOption(const Args& args) {
    std::string variant = args.value("--variant");
    if (args.has("--variant"))
        parseVariant(variant);
    return variant;
}

// S_FALSE from a Put means the library refused because of read-only state.
void requireWritten(HRESULT hr, const FrameName& name) {
    if (hr == kw5::kS_FALSE)
        throw Failure(frameLabel(name) + ": not changed: the frame is protected (read-only " +
                      "flag, VMK_SINFO, VMK_ASGTM or TLEN); add --protected to change it");
    requireOk(hr, frameLabel(name) + ": not changed");
}

bool isBinary(const FrameName& name) {
    return name.id == "GEOB" ||
           (!keyedByDescription(name.id) && name.id[0] != 'T' && name.id[0] != 'W');
}

// The text values of a frame; false when it is not there.
// Throws the reason a read failed, in words where the file tells it.
void requireRead(HRESULT hr, const std::string& path, const FrameName& name) {
    if (hr == kw5::kE_NOTIMPL) {
        std::string reason = sealedFrameProblem(path, name.id);
        if (!reason.empty())
            throw Failure(frameLabel(name) + ": cannot read it", reason, hr);
    }
    requireOk(hr, frameLabel(name) + ": cannot read it");
}

bool readValues(CKW5VorletLib& lib, const std::string& path, const FrameName& name,
                std::vector<KW5WString>& values) {
    KW5WString id = fromUtf8(name.id);
    HRESULT hr;
    if (name.hasDescription) {
        KW5WString value;
        hr = lib.GetPropertyFromDesc(id, name.description, value);
        if (hr == kw5::kS_OK)
            values.push_back(value);
    } else {
        hr = lib.GetPropertyFromId(id, values);
    }
    if (hr == kw5::kS_FALSE)
        return false;
    requireRead(hr, path, name);
    return true;
}

bool isPresent(CKW5VorletLib& lib, const FrameName& name) {
    _StructBinVal probe = {nullptr, 0, KW5WString()};
    _StructBinVal* record = &probe;
    HRESULT hr = lib.GetBinaryFromDesc(fromUtf8(name.id), name.description, record);
    if (hr == kw5::kS_OK)
        CoTaskMemFree(probe.data);
    if (hr == kw5::kS_FALSE)
        return false;
    requireOk(hr, frameLabel(name) + ": cannot read it");
    return true;
}

std::string quotedList(const std::vector<std::string>& values) {
    std::string out;
    for (const auto& value : values)
        out += (out.empty() ? "\"" : ", \"") + value + "\"";
    return out.empty() ? "nothing" : out;
}

std::string shownName(const FrameName& name) {
    return name.hasDescription ? name.id + ":" + toUtf8(name.description) : name.id;
}

// What the dry run of set says about one frame: its value before and after.
void showChange(CKW5VorletLib& lib, const std::string& path, const Assignment& assignment) {
    std::vector<KW5WString> before;
    std::vector<std::string> old;
    if (readValues(lib, path, assignment.name, before))
        for (const auto& value : before)
            old.push_back(toUtf8(value));
    std::printf("%s: %s: %s -> %s\n", path.c_str(), shownName(assignment.name).c_str(),
                quotedList(old).c_str(), quotedList(assignment.values).c_str());
}

void reportWrite(const Batch& batch, const std::string& path, LONG kind) {
    std::string text = std::string("the ") + variantName(kind) + " layout";
    if (batch.dryRun())
        std::printf("%s: would be written in %s; nothing written (dry run)\n", path.c_str(),
                    text.c_str());
    else
        batch.note(path, "written in " + text);
}

} // namespace

int runGet(const std::vector<std::string>& argv) {
    Args args(argv, batchOptions({}));
    EditRequest request = parseGetForm(args.positionals());
    const FrameName& name = request.frames[0];
    Batch batch("get", args);
    return batch.run(request.files, [&](const std::string& path) {
        TagFile file(path, KW5_OPEN_READONLY);
        std::string prefix = batch.several() ? path + ": " : "";
        if (isBinary(name)) {
            _StructBinVal value = {nullptr, 0, KW5WString()};
            _StructBinVal* record = &value;
            HRESULT hr = file.lib().GetBinaryFromDesc(fromUtf8(name.id), name.description, record);
            if (hr == kw5::kS_FALSE) {
                batch.tell(path, "no " + frameLabel(name));
                return int(kExitNotFound);
            }
            requireRead(hr, path, name);
            std::printf("%s%s, %u bytes (use get-object to save it)\n", prefix.c_str(),
                        value.mimeType.empty() ? "binary" : toUtf8(value.mimeType).c_str(),
                        static_cast<unsigned>(value.dataSize));
            CoTaskMemFree(value.data);
            return int(kExitOk);
        }
        std::vector<KW5WString> values;
        if (!readValues(file.lib(), path, name, values)) {
            batch.tell(path, "no " + frameLabel(name));
            return int(kExitNotFound);
        }
        for (const auto& value : values)
            std::printf("%s%s\n", prefix.c_str(), toUtf8(value).c_str());
        return int(kExitOk);
    });
}

int runSet(const std::vector<std::string>& argv) {
    Args args(argv, batchOptions(kWriteOptions, true));
    EditRequest request = parseSetForm(args.positionals());
    std::string variant = variantOption(args);
    Batch batch("set", args);
    return batch.run(request.files, [&](const std::string& path) {
        TagFile file(path, writeMode(args));
        CKW5VorletLib& lib = file.lib();
        for (const auto& assignment : request.assignments) {
            if (batch.dryRun())
                showChange(lib, path, assignment);
            KW5WString id = fromUtf8(assignment.name.id);
            std::vector<KW5WString> values;
            for (const auto& value : assignment.values)
                values.push_back(fromUtf8(value));
            unsigned char flags = 0;
            HRESULT hr =
                assignment.name.hasDescription
                    ? lib.PutPropertyFromDesc(id, assignment.name.description, values[0], flags)
                    : lib.PutPropertyFromId(id, values, flags);
            requireWritten(hr, assignment.name);
        }
        LONG kind = file.layoutToWrite(variant);
        file.save(kind, batch.dryRun());
        reportWrite(batch, path, kind);
        return int(kExitOk);
    });
}

int runDelete(const std::vector<std::string>& argv) {
    Args args(argv, batchOptions(kWriteOptions, true));
    EditRequest request = parseDeleteForm(args.positionals());
    std::string variant = variantOption(args);
    Batch batch("delete", args);
    return batch.run(request.files, [&](const std::string& path) {
        TagFile file(path, writeMode(args));
        CKW5VorletLib& lib = file.lib();
        int code = kExitOk;
        size_t deleted = 0;
        for (const auto& name : request.frames) {
            // Tell "nothing to delete" apart from a deletion.
            if (!isPresent(lib, name)) {
                batch.tell(path, "no " + frameLabel(name));
                code = kExitNotFound;
                continue;
            }
            KW5WString id = fromUtf8(name.id);
            HRESULT hr;
            if (name.id == "GEOB") {
                _StructBinVal* none = nullptr;
                hr = lib.PutBinaryFromDesc(id, name.description, none, 0);
            } else if (name.hasDescription) {
                hr = lib.PutPropertyFromDesc(id, name.description, KW5WString(), 0);
            } else {
                hr = lib.PutPropertyFromId(id, std::vector<KW5WString>(), 0);
            }
            requireWritten(hr, name);
            ++deleted;
            if (batch.dryRun())
                std::printf("%s: %s: would be deleted\n", path.c_str(), shownName(name).c_str());
        }
        if (deleted == 0)
            return code;
        LONG kind = file.layoutToWrite(variant);
        file.save(kind, batch.dryRun());
        reportWrite(batch, path, kind);
        return code;
    });
}

} // namespace kw5tag

// kw5tag get / set / delete: text, URL and user frames by name.
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/TagFile.h"
#include "tools/kw5tag/Utf8.h"

#include <cstdio>

namespace kw5tag {

namespace {

const std::vector<OptionSpec> kWriteOptions = {
    {"--variant", "", true, false},
    {"--protected", "", false, false},
};

bool keyedByDescription(const std::string& id) {
    return id == "TXXX" || id == "WXXX" || id == "GEOB";
}

void requireDescriptionRule(const FrameName& name) {
    if (keyedByDescription(name.id) && (!name.hasDescription || name.description.empty()))
        throw UsageError(name.id + " frames are named by a description: write " + name.id +
                         ":DESCRIPTION");
    if (name.hasDescription && !keyedByDescription(name.id))
        throw UsageError(name.id +
                         " frames have no description; drop ':" + toUtf8(name.description) + "'");
}

LONG writeMode(const Args& args) {
    return args.has("--protected") ? KW5_OPEN_READWRITE_ALL : KW5_OPEN_READWRITE;
}

// S_FALSE from a Put means the library refused because of read-only state.
void requireWritten(HRESULT hr, const FrameName& name) {
    if (hr == kw5::kS_FALSE)
        throw Failure("'" + name.text + "' is protected or read-only (use --protected to " +
                      "change protected frames)");
    requireOk(hr, "cannot change '" + name.text + "'");
}

} // namespace

int runGet(const std::vector<std::string>& argv) {
    Args args(argv, {});
    args.expectPositionals(2, 2, "kw5tag get FILE FRAME[:DESC]");
    const std::string& path = args.positionals()[0];
    FrameName name = parseFrameName(args.positionals()[1]);
    requireDescriptionRule(name);
    TagFile file(path, KW5_OPEN_READONLY);
    KW5WString id = fromUtf8(name.id);

    if (name.id == "GEOB" ||
        (!keyedByDescription(name.id) && name.id[0] != 'T' && name.id[0] != 'W')) {
        _StructBinVal value = {nullptr, 0, KW5WString()};
        _StructBinVal* record = &value;
        HRESULT hr = file.lib().GetBinaryFromDesc(id, name.description, record);
        if (hr == kw5::kS_FALSE) {
            std::fprintf(stderr, "kw5tag: %s: no frame '%s'\n", path.c_str(), name.text.c_str());
            return kExitNotFound;
        }
        requireOk(hr, "cannot read '" + name.text + "'");
        std::printf("%s, %u bytes (use get-object to save it)\n",
                    value.mimeType.empty() ? "binary" : toUtf8(value.mimeType).c_str(),
                    static_cast<unsigned>(value.dataSize));
        CoTaskMemFree(value.data);
        return kExitOk;
    }

    std::vector<KW5WString> values;
    HRESULT hr;
    if (name.hasDescription) {
        KW5WString value;
        hr = file.lib().GetPropertyFromDesc(id, name.description, value);
        if (hr == kw5::kS_OK)
            values.push_back(value);
    } else {
        hr = file.lib().GetPropertyFromId(id, values);
    }
    if (hr == kw5::kS_FALSE) {
        std::fprintf(stderr, "kw5tag: %s: no frame '%s'\n", path.c_str(), name.text.c_str());
        return kExitNotFound;
    }
    requireOk(hr, "cannot read '" + name.text + "'");
    for (const auto& value : values)
        std::printf("%s\n", toUtf8(value).c_str());
    return kExitOk;
}

int runSet(const std::vector<std::string>& argv) {
    Args args(argv, kWriteOptions);
    args.expectPositionals(3, 1000000, "kw5tag set FILE FRAME[:DESC] VALUE... [--variant V]");
    const std::string& path = args.positionals()[0];
    FrameName name = parseFrameName(args.positionals()[1]);
    requireDescriptionRule(name);
    if (name.id == "GEOB")
        throw UsageError("objects are written with put-object");
    if (name.id[0] != 'T' && name.id[0] != 'W')
        throw UsageError("only text (T...) and URL (W...) frames take text values");
    LONG kind = parseVariant(args.value("--variant", "std"));
    std::vector<KW5WString> values;
    for (size_t i = 2; i < args.positionals().size(); ++i)
        values.push_back(fromUtf8(args.positionals()[i]));
    if (values.size() > 1 && name.id != "WOAR" && name.id != "WCOM")
        throw UsageError(name.id + " holds one value; only WOAR and WCOM take several");

    TagFile file(path, writeMode(args));
    unsigned char flags = 0;
    KW5WString id = fromUtf8(name.id);
    HRESULT hr = name.hasDescription
                     ? file.lib().PutPropertyFromDesc(id, name.description, values[0], flags)
                     : file.lib().PutPropertyFromId(id, values, flags);
    requireWritten(hr, name);
    file.save(kind);
    return kExitOk;
}

int runDelete(const std::vector<std::string>& argv) {
    Args args(argv, kWriteOptions);
    args.expectPositionals(2, 2, "kw5tag delete FILE FRAME[:DESC] [--variant V]");
    const std::string& path = args.positionals()[0];
    FrameName name = parseFrameName(args.positionals()[1]);
    requireDescriptionRule(name);
    LONG kind = parseVariant(args.value("--variant", "std"));
    TagFile file(path, writeMode(args));
    KW5WString id = fromUtf8(name.id);
    CKW5VorletLib& lib = file.lib();

    // Tell "nothing to delete" apart from a deletion.
    _StructBinVal probe = {nullptr, 0, KW5WString()};
    _StructBinVal* record = &probe;
    HRESULT present = lib.GetBinaryFromDesc(id, name.description, record);
    if (present == kw5::kS_OK)
        CoTaskMemFree(probe.data);
    if (present == kw5::kS_FALSE) {
        std::fprintf(stderr, "kw5tag: %s: no frame '%s'\n", path.c_str(), name.text.c_str());
        return kExitNotFound;
    }

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
    file.save(kind);
    return kExitOk;
}

} // namespace kw5tag

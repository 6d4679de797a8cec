#include "tools/kw5tag/TagFile.h"

#include "kw5/HResult.h"
#include "kw5/TaskMem.h"
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/FrameWalker.h"
#include "tools/kw5tag/Utf8.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kw5tag {

namespace {

// Above this much audio, a rewrite is worth a word on stderr.
const uint64_t kProgressThreshold = 64ull * 1024 * 1024;

const char* const kStdRefusesLsi = "the STD layout does not allow the VMK_LSI object the tag "
                                   "holds (leave --variant out to keep the file's own layout)";

} // namespace

FrameName parseFrameName(const std::string& text) {
    FrameName name;
    name.text = text;
    size_t colon = text.find(':');
    name.id = text.substr(0, colon);
    if (colon != std::string::npos) {
        name.description = fromUtf8(text.substr(colon + 1));
        name.hasDescription = true;
    }
    if (name.id.size() != 4)
        throw UsageError("'" + text + "' is not a frame name: expected a four-character id " +
                         "such as TIT2, optionally followed by :DESCRIPTION");
    for (char c : name.id)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            throw UsageError("'" + name.id + "' is not a frame id: use A-Z and 0-9 only");
    return name;
}

bool looksLikeFrameName(const std::string& text) {
    if (text.size() < 4 || (text.size() > 4 && text[4] != ':'))
        return false;
    for (size_t i = 0; i < 4; ++i)
        if (!((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= '0' && text[i] <= '9')))
            return false;
    return true;
}

std::string frameLabel(const FrameName& name) {
    if (!name.hasDescription)
        return "frame " + name.id;
    return "frame " + name.id + " \"" + toUtf8(name.description) + "\"";
}

LONG parseVariant(const std::string& text) {
    if (text == "std" || text == "STD")
        return KW5_FORMAT_STD;
    if (text == "gm" || text == "GM")
        return KW5_FORMAT_GM;
    if (text == "prask" || text == "Prask" || text == "PRASK")
        return KW5_FORMAT_PRASK;
    throw UsageError("unknown variant '" + text + "': use std, gm or prask");
}

const char* variantName(LONG kind) {
    switch (kind) {
    case KW5_FORMAT_STD:
        return "STD";
    case KW5_FORMAT_PRASK:
        return "Prask";
    default:
        return "GM";
    }
}

const char* layoutReason(LONG kind) {
    switch (kind) {
    case KW5_FORMAT_GM:
        return "it holds a VMK_LSI object";
    case KW5_FORMAT_PRASK:
        return "it holds a VMK_ULINF object";
    default:
        return "it holds neither a VMK_LSI nor a VMK_ULINF object";
    }
}

TagFile::TagFile(const std::string& path, LONG mode) : path_(path) {
    HRESULT hr = lib_.Open(fromUtf8(path), mode);
    if (hr == kw5::kE_INVALIDARG) {
        std::string reason = tagProblem(path);
        if (!reason.empty())
            throw Failure("cannot open the tag", reason, hr);
    }
    if (hr != kw5::kS_OK)
        throw Failure("cannot open the tag", hr);
}

namespace {

bool holdsObject(CKW5VorletLib& lib, const char* desc) {
    _StructBinVal value = {nullptr, 0, KW5WString()};
    _StructBinVal* record = &value;
    if (lib.GetBinaryFromDesc(KW5_WSTR("GEOB"), fromUtf8(desc), record) != kw5::kS_OK)
        return false;
    CoTaskMemFree(value.data);
    return true;
}

} // namespace

LONG TagFile::ownLayout() {
    if (holdsObject(lib_, "VMK_LSI"))
        return KW5_FORMAT_GM;
    if (holdsObject(lib_, "VMK_ULINF"))
        return KW5_FORMAT_PRASK;
    return KW5_FORMAT_STD;
}

LONG TagFile::layoutToWrite(const std::string& variantOption) {
    return variantOption.empty() ? ownLayout() : parseVariant(variantOption);
}

// Without save() the library object is destroyed unclosed: it writes nothing,
// so a command that fails half-way leaves the file as it was.
TagFile::~TagFile() = default;

void TagFile::save(LONG kind, bool dryRun) {
    if (dryRun) {
        if (kind == KW5_FORMAT_STD && holdsObject(lib_, "VMK_LSI"))
            throw Failure("would not be written", kStdRefusesLsi, kw5::kE_KW5_FORMAT);
        return;
    }
    std::error_code ec;
    uint64_t fileSize = std::filesystem::file_size(std::filesystem::u8path(path_), ec);
    LONG tagSize = 0;
    lib_.GetId3TagSize(&tagSize);
    uint64_t audio = ec ? 0 : fileSize - std::min<uint64_t>(fileSize, uint64_t(tagSize));
    bool large = audio > kProgressThreshold;
    auto started = std::chrono::steady_clock::now();
    if (large)
        std::fprintf(stderr,
                     "kw5tag: writing '%s' (%llu MiB of audio to copy if the tag grows)...\n",
                     path_.c_str(), static_cast<unsigned long long>(audio >> 20));
    HRESULT hr = lib_.Close(kind);
    if (large) {
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::fprintf(stderr, "kw5tag: written in %.1f s\n", seconds);
    }
    if (hr == kw5::kE_KW5_FORMAT && kind == KW5_FORMAT_STD)
        throw Failure("not written", kStdRefusesLsi, hr);
    if (hr != kw5::kS_OK)
        throw Failure(std::string("not written in the ") + variantName(kind) + " layout", hr);
}

std::vector<unsigned char> readWholeFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in)
        throw Failure("cannot read '" + path + "'");
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
}

void writeWholeFile(const std::string& path, const unsigned char* data, size_t size) {
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out)
        throw Failure("cannot write '" + path + "'");
}

std::string jsonString(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        unsigned char b = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (b < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", b);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

} // namespace kw5tag

#include "Driver.h"
#include "tests/common/TempDir.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"
#include "kw5/TaskMem.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

namespace kw5test {

namespace {

unsigned char uc(size_t value) {
    return static_cast<unsigned char>(value);
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, by);)
        if (!item.empty() || by != ' ')
            out.push_back(item);
    return out;
}

// HEX, or pat:N (N bytes of a pattern).
Bytes dataOf(const std::string& text) {
    const bool pattern = text.compare(0, 4, "pat:") == 0;
    Bytes out(pattern ? std::stoul(text.substr(4)) : text.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = uc(pattern ? i * 31 + 5 : std::stoul(text.substr(2 * i, 2), nullptr, 16));
    return out;
}

// ASCII text in encoding enc, with its terminator when it is a description.
Bytes text(unsigned enc, const std::string& value, bool terminated) {
    Bytes out = enc == 1 ? Bytes{0xFF, 0xFE} : Bytes();
    for (unsigned char c : value + (terminated ? std::string(1, '\0') : ""))
        out = out + (enc == 1 ? Bytes{c, 0} : enc == 2 ? Bytes{0, c} : Bytes{c});
    return out;
}

Bytes frame(const std::string& key, const std::string& value) {
    std::smatch m;
    std::regex_match(key, m, std::regex("(....)(?::([^/#]*))?(?:/(\\d))?(?:#(\\w+))?"));
    const std::string id = m[1], desc = m[2];
    const unsigned enc = m[3].matched ? std::stoul(m[3]) : 0;
    const unsigned flags = m[4].matched ? std::stoul(m[4], nullptr, 16) : 0;
    const size_t bar = value.find('|');
    const Bytes head{uc(enc)};
    const bool user = id == "TXXX" || id == "WXXX";
    Bytes body = value.compare(0, 2, "0x") == 0 ? dataOf(value.substr(2))
                 : id == "GEOB" ? head + text(0, value.substr(0, bar), true) + text(enc, "", true) +
                                      text(enc, desc, true) + dataOf(value.substr(bar + 1))
                 : id[0] == 'W' && !user
                     ? text(0, value.empty() ? std::string(1, '\0') : value, false)
                     : head + (user ? text(enc, desc, true) : Bytes()) +
                           text(id == "WXXX" ? 0 : enc, value, false);
    const size_t n = body.size();
    return Bytes(id.begin(), id.end()) +
           Bytes{uc(n >> 24), uc(n >> 16), uc(n >> 8), uc(n), uc(flags), uc(flags >> 8)} + body;
}

LONG num(const std::vector<std::string>& t, size_t i, long long fallback = 0) {
    return static_cast<LONG>(i < t.size() ? std::stoll(t[i], nullptr, 0) : fallback);
}

KW5WString w(const std::string& token) {
    return token == "~" || token == "-" ? KW5WString() : hostString(token);
}

std::vector<std::string> items(const std::string& token) {
    return token == "-" ? std::vector<std::string>() : split(token, '|');
}

std::string hexOf(const Bytes& bytes) {
    std::string out;
    for (unsigned char b : bytes)
        out += std::string{"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    return out;
}

std::string record(const _StructBinVal& r) {
    return r.data ? utf8(r.mimeType) + "#" + hexOf(Bytes(r.data, r.data + r.dataSize)) : "nodata";
}

// "MIME#DATA", "null", or "nodata" (a record without its data block).
_StructBinVal gNoData{nullptr, 5, KW5WString()};
_StructBinVal* newRecord(const std::string& token) {
    if (token == "null" || token == "nodata")
        return token == "null" ? nullptr : &gNoData;
    const Bytes bytes = dataOf(token.substr(token.find('#') + 1));
    _StructBinVal* r =
        new _StructBinVal{static_cast<unsigned char*>(CoTaskMemAlloc(bytes.size())),
                          static_cast<ULONG>(bytes.size()), w(token.substr(0, token.find('#')))};
    if (!bytes.empty())
        std::memcpy(r->data, bytes.data(), bytes.size());
    return r;
}

void freeRecord(_StructBinVal* r) {
    if (r != nullptr && r != &gNoData)
        CoTaskMemFree(r->data), delete r;
}

const std::map<std::string, HRESULT> kResults = {
    {"ok", kw5::kS_OK},          {"false", kw5::kS_FALSE}, {"fail", kw5::kE_FAIL},
    {"arg", kw5::kE_INVALIDARG}, {"ptr", kw5::kE_POINTER}, {"oom", kw5::kE_OUTOFMEMORY},
    {"fmt", kw5::kE_KW5_FORMAT}};

} // namespace

Bytes build(const std::string& desc) {
    std::string head("kw5\3\0\0", 6);
    long declared = -1;
    Bytes frames, audio;
    for (const std::string& item : split(desc, ',')) {
        const size_t eq = item.find('=');
        const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        if (item == "ID3" || item == "notag")
            head = item == "notag" ? "" : "ID3" + head.substr(3);
        else if (key == "head") // the three bytes after the magic: version, flags
            head = head.substr(0, 3) +
                   [](const Bytes& b) { return std::string(b.begin(), b.end()); }(dataOf(value));
        else if (key == "size")
            declared = std::stol(value);
        else if (key == "pad")
            frames.resize(frames.size() + std::stoul(value));
        else if (key == "audio")
            for (unsigned long i = 0; i < std::stoul(value); ++i)
                audio.push_back(static_cast<unsigned char>(i * 7 + 1));
        else
            frames = frames + (key == "raw" ? dataOf(value) : frame(key, value));
    }
    const uint32_t size =
        declared < 0 ? static_cast<uint32_t>(frames.size()) : static_cast<uint32_t>(declared);
    Bytes out(head.begin(), head.end());
    for (int shift = 21; !head.empty() && shift >= 0; shift -= 7)
        out.push_back(static_cast<unsigned char>((size >> shift) & 0x7F));
    return out + frames + audio;
}

void runCase(const Case& row) {
    TempDir dir;
    std::unique_ptr<CKW5VorletLib> lib(new CKW5VorletLib);
    std::map<std::string, Bytes> made;
    LONG mode = 2; // of the open tag, 0 once closed: who owns PutBinary's records
    const auto path = [&](const std::string& name) {
        return w(name == "~" ? name : dir.file(name).u8string());
    };
    const auto bytesOf = [&](const std::string& name) { return readFile(dir.file(name)); };
    // The calls; a trailing "+" puts one entry in an output list beforehand.
    const auto run = [&](std::vector<std::string> t, std::string& out) -> HRESULT {
        const bool append = t.back() == "+";
        if (append)
            t.pop_back();
        const std::string c = t[0];
        std::vector<KW5WString> values(append && c != "flag" && c != "gbin", hostString("old"));
        std::vector<unsigned short> words(append && c == "flag", 7);
        std::vector<_StructBinVal*> records;
        for (const std::string& item :
             c == "pbin" ? items(t[3]) : std::vector<std::string>(c == "gbin" && append, "old#"))
            records.push_back(newRecord(item));
        for (const std::string& v :
             c == "put" || c == "pid" ? items(t[c == "put" ? 3 : 2]) : std::vector<std::string>())
            values.push_back(w(v));
        KW5WString value = hostString("~");
        unsigned char marker = 0x5A, *block = &marker;
        LONG size = 99;
        ULONG blobSize = 0;
        _StructBinVal r{&marker, 1, hostString("keep")};
        _StructBinVal* target = t.back() == "nullrec" ? nullptr : &r;
        const Bytes file = t.size() > 1 && t[1] != "null" ? bytesOf(t[1]) : Bytes();
        const unsigned char* fileData = t.size() > 1 && t[1] == "null" ? nullptr : file.data();
        HRESULT hr = kw5::kE_UNEXPECTED;
        if (c == "open" || c == "image") // open MODE [FILE]; image FILE|null [SIZE]
            hr = c == "open" ? lib->Open(path(t.size() > 2 ? t[2] : "a"), num(t, 1))
                             : lib->Open(fileData, num(t, 2, file.size()));
        if (hr == kw5::kS_OK || c == "close" || c == "new")
            mode = c == "close" ? 0 : c == "open" ? num(t, 1) : c == "new" ? 2 : 1;
        if (c == "new")
            lib.reset(new CKW5VorletLib);
        if (c == "update" || c == "close")
            hr = c == "update" ? lib->Update(num(t, 1)) : lib->Close(num(t, 1));
        if (c == "size") // size [null]
            hr = lib->GetId3TagSize(t.size() > 1 ? nullptr : &size), out = std::to_string(size);
        if (c == "get" || c == "gid" || c == "sid")
            hr = c == "get"   ? lib->GetString(num(t, 1), num(t, 2), values)
                 : c == "gid" ? lib->GetPropertyFromId(w(t[1]), values)
                              : lib->SeekPropertyFromId(path(t[1]), w(t[2]), values);
        if (c == "gdesc" || c == "sdesc")
            hr = c == "gdesc" ? lib->GetPropertyFromDesc(w(t[1]), w(t[2]), value)
                              : lib->SeekPropertyFromDesc(path(t[1]), w(t[2]), w(t[3]), value),
            out = utf8(value);
        if (c == "put") // put FRAME DESC VALUES [ENC [FLAGS]]
            hr = lib->PutString(num(t, 1), num(t, 2), values, num(t, 4), uc(num(t, 5)));
        if (c == "pid") // pid ID VALUES [FLAGS]
            hr = lib->PutPropertyFromId(w(t[1]), values, uc(num(t, 3)));
        if (c == "pdesc") // pdesc ID DESC VALUE [FLAGS]
            hr = lib->PutPropertyFromDesc(w(t[1]), w(t[2]), w(t[3]), uc(num(t, 4)));
        if (c == "flag")
            hr = lib->GetFrameFlag(num(t, 1), num(t, 2), words);
        if (c == "gbin")
            hr = lib->GetBinary(num(t, 1), num(t, 2), records);
        // pbin FRAME DESC RECORDS [FLAGS]: the library takes the records over,
        // except on three answers.
        if (c == "pbin" &&
            ((hr = lib->PutBinary(num(t, 1), num(t, 2), records, uc(num(t, 4)))) == kw5::kS_FALSE
                 ? mode == 1
             : hr == kw5::kE_INVALIDARG ? records.size() > 1
                                        : hr == kw5::kE_FAIL && mode == 0))
            for (size_t i = 0; i < records.size(); ++i) {
                EXPECT_EQ(items(t[3])[i], records[i] ? record(*records[i]) : "null");
                freeRecord(records[i]);
            }
        if (c == "pbd") { // pbd ID DESC RECORD [FLAGS]; the record stays the host's
            _StructBinVal* given = newRecord(t[3]);
            hr = lib->PutBinaryFromDesc(w(t[1]), w(t[2]), given, uc(num(t, 4)));
            EXPECT_EQ(t[3], given ? record(*given) : "null");
            freeRecord(given);
        }
        if (c == "gbd" || c == "sbd") // a trailing "nullrec" passes no record
            hr = c == "gbd" ? lib->GetBinaryFromDesc(w(t[1]), w(t[2]), target)
                            : lib->SeekBinaryFromDesc(path(t[1]), w(t[2]), w(t[3]), target),
            out = r.data == &marker ? "~" : record(r);
        std::vector<_StructProperty> known(t.size());
        std::vector<_StructProperty*> pointers;
        for (size_t i = 1; c == "unk" && i < t.size(); ++i) { // unk FRAME:DESC... ("null")
            const char* pair = t[i].c_str();
            known[i] = {std::atoi(pair), std::atoi(pair + t[i].find(':') + 1)};
            pointers.push_back(t[i] == "null" ? nullptr : &known[i]);
        }
        if (c == "unk")
            hr = lib->GetSDKUnknown(pointers, block, blobSize), size = static_cast<LONG>(blobSize);
        if (c == "putunk") // putunk FILE|null [SIZE]
            hr = lib->PutSDKUnknown(fileData, num(t, 2, file.size()));
        if (c == "lsi") { // lsi DATA[@SIZE] [DATA[@SIZE]] [!img|!size]; DATA "null", "-" empty
            Bytes o[2];
            const unsigned char* p[2] = {&marker, &marker};
            LONG n[2] = {0, 0};
            size_t k = 0;
            for (size_t i = 1; i < t.size() && t[i][0] != '!'; ++i, ++k) {
                const size_t at = t[i].find('@');
                o[k] = dataOf(t[i][0] == 'n' || t[i][0] == '-' ? "" : t[i].substr(0, at));
                p[k] = t[i][0] == 'n' ? nullptr : o[k].empty() ? &marker : o[k].data();
                n[k] = at == std::string::npos ? static_cast<LONG>(o[k].size())
                                               : num({t[i].substr(at + 1)}, 0);
            }
            unsigned char** image = t.back() == "!img" ? nullptr : &block;
            LONG* sizeOut = t.back() == "!size" ? nullptr : &size;
            hr = k == 1
                     ? lib->GetSimpleVorletVMKLSI(p[0], n[0], image, sizeOut)
                     : lib->GetSimpleVorletVMKLSI_VMKOLINF(p[0], n[0], p[1], n[1], image, sizeOut);
        }
        if (c == "unk" || c == "lsi") // the block handed out, "~" when none was
            out = block == &marker ? "~" : hexOf(Bytes(block, block + size));
        if (c == "check" || c == "format" || c == "cf") // check FILE KIND
            hr = c == "check"    ? lib->CheckFileFormat(path(t[1]), num(t, 2))
                 : c == "format" ? lib->FormatFile(path(t[1]), num(t, 2))
                                 : lib->CheckAndFormatFile(path(t[1]), num(t, 2));
        if (c == "ro") // ro FILE: made read-only
            std::filesystem::permissions(dir.file(t[1]), std::filesystem::perms::owner_read);
        if (c == "disk" || c == "ro" || c == "new") // disk FILE: its bytes
            hr = kw5::kS_OK, out = c != "disk"                               ? ""
                                   : std::filesystem::exists(dir.file(t[1])) ? hexOf(file)
                                                                             : "missing";
        if (c == "cp") // cp CODEPAGE: S_FALSE when it cannot be set
            hr = !KW5SetThreadAnsiCodePage(static_cast<unsigned>(num(t, 1)));
        for (const KW5WString& v : c == "put" || c == "pid" ? std::vector<KW5WString>() : values)
            out += (out.empty() ? "" : "|") + utf8(v);
        for (unsigned short word : words)
            out += (out.empty() ? "" : "|") + std::to_string(word);
        for (_StructBinVal* got : c == "gbin" ? records : std::vector<_StructBinVal*>())
            out += (out.empty() ? "" : "|") + record(*got), KW5FreeBinVal(got);
        if (block != &marker)
            CoTaskMemFree(block);
        if (r.data != &marker)
            CoTaskMemFree(r.data);
        EXPECT_NE(kw5::kE_UNEXPECTED, hr) << "unknown call";
        return hr;
    };
    const std::vector<std::string> files = split(row.files, ' ');
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string name(1, static_cast<char>('a' + i));
        if (files[i] != "-")
            writeFile(dir.file(name), made[name] = build(files[i] == "." ? "" : files[i]));
    }
    for (const std::string& statement : split(row.script, ';')) {
        SCOPED_TRACE(statement);
        // "CALL -> RESULT [OUT]", or "CALL = OUT" for S_OK and OUT.
        const size_t is = statement.find(" = "), arrow = std::min(statement.find("->"), is);
        std::vector<std::string> call = split(statement.substr(0, arrow), ' ');
        const std::vector<std::string> want = split(
            arrow == std::string::npos ? "ok"
                                       : (arrow == is ? "ok " : "") + statement.substr(arrow + 2),
            ' ');
        // A trailing ">FILE" saves the output, a block of bytes, as FILE.
        const std::string saveTo = call.back()[0] == '>' ? call.back().substr(1) : "";
        if (!saveTo.empty())
            call.pop_back();
        std::string out;
        const HRESULT hr = run(call, out);
        if (!saveTo.empty())
            writeFile(dir.file(saveTo), made[saveTo] = dataOf(out));
        EXPECT_TRUE(want[0] == "neg" ? hr < 0 : kResults.at(want[0]) == hr) << "answered " << hr;
        const std::string rest = want.size() > 1 ? want[1].substr(1) : "";
        if (want.size() > 1) {
            EXPECT_EQ(want[1][0] == '='   ? hexOf(made[rest.empty() ? call[1] : rest])
                      : want[1][0] == '%' ? hexOf(bytesOf(rest))
                      : want[1][0] == '@' ? hexOf(build(rest))
                                          : want[1],
                      out.empty() ? "-" : out);
        }
    }
}

} // namespace kw5test

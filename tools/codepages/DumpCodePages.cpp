// Writes the code-page tables of the POSIX build from the Win32 converters
// (MultiByteToWideChar / WideCharToMultiByte, no flags), and the digests the
// tests compare against. A Windows program: tools/codepages/make-tables.sh
// builds it with MinGW-w64 and runs it under Wine.
//
//   DumpCodePages TABLES.cpp DIGESTS.inc
//
// Per code page the tables hold: the unit of every single byte (for a lead
// byte: of the lead byte alone); the lead bytes; per lead byte the unit of
// every two-byte sequence (0: the pair splits into lead alone and trail);
// and the units whose bytes differ from the first byte sequence that reads
// as them (their own bytes; '?' for units no sequence reads as).
#include "tools/codepages/CodePageDigest.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

const unsigned kTableCodePages[] = {1252, 932, 28591};
const unsigned kDigestCodePages[] = {1252, 932, 28591, 65001};

bool toWide(unsigned codePage, const std::string& bytes, std::vector<uint16_t>& units) {
    const int length = static_cast<int>(bytes.size());
    int count = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (count <= 0)
        return false;
    std::vector<WCHAR> wide(count);
    if (MultiByteToWideChar(codePage, 0, bytes.data(), length, wide.data(), count) != count)
        return false;
    units.assign(wide.begin(), wide.end());
    return true;
}

bool toNarrow(unsigned codePage, const std::vector<uint16_t>& units, std::string& bytes) {
    std::vector<WCHAR> wide(units.begin(), units.end());
    const int length = static_cast<int>(wide.size());
    int count =
        WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (count <= 0)
        return false;
    bytes.assign(count, '\0');
    return WideCharToMultiByte(codePage, 0, wide.data(), length, &bytes[0], count, nullptr,
                               nullptr) == count;
}

bool failed = false;

void fail(const char* what, unsigned codePage, unsigned value) {
    std::fprintf(stderr, "code page %u: %s at %04X\n", codePage, what, value);
    failed = true;
}

uint16_t singleUnit(unsigned codePage, const std::string& bytes, unsigned at) {
    std::vector<uint16_t> units;
    if (!toWide(codePage, bytes, units) || units.size() != 1) {
        fail("not one unit", codePage, at);
        return 0;
    }
    return units[0];
}

// Hex text in lines of 128 characters, as C string literal pieces.
std::string literal(const std::string& hex) {
    if (hex.empty())
        return "\"\"";
    std::string out;
    for (size_t at = 0; at < hex.size(); at += 128)
        out += "\n    \"" + hex.substr(at, 128) + "\"";
    return out;
}

std::string hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
    return text;
}

void writeTables(std::FILE* out, unsigned codePage) {
    std::string wide1, leads, wide2, narrow;
    std::vector<uint16_t> single(256, 0);
    std::vector<bool> lead(256, false);
    for (unsigned b = 1; b < 256; ++b) {
        single[b] = singleUnit(codePage, std::string(1, char(b)), b);
        lead[b] = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(b)) != 0;
    }
    std::map<uint16_t, uint16_t> firstBytes;
    for (unsigned b = 0; b < 256; ++b) {
        wide1 += hex4(single[b]);
        if (b != 0 && !lead[b])
            firstBytes.emplace(single[b], uint16_t(b));
    }
    for (unsigned l = 0x80; l < 256; ++l) {
        if (!lead[l])
            continue;
        leads += hex4(l).substr(2);
        wide2 += "0000";
        for (unsigned t = 1; t < 256; ++t) {
            std::vector<uint16_t> units;
            if (!toWide(codePage, std::string{char(l), char(t)}, units))
                fail("pair fails", codePage, l << 8 | t);
            uint16_t unit = 0;
            if (units.size() == 1)
                unit = units[0];
            else if (units.size() != 2 || units[0] != single[l] || units[1] != single[t])
                fail("pair is neither one unit nor lead and trail", codePage, l << 8 | t);
            wide2 += hex4(unit);
            if (unit != 0)
                firstBytes.emplace(unit, uint16_t(l << 8 | t));
        }
    }
    for (unsigned unit = 1; unit < 0x10000; ++unit) {
        std::string bytes;
        if (!toNarrow(codePage, std::vector<uint16_t>(1, uint16_t(unit)), bytes) ||
            bytes.empty() || bytes.size() > 2) {
            fail("unit gives no one or two bytes", codePage, unit);
            continue;
        }
        unsigned code = static_cast<unsigned char>(bytes[0]);
        if (bytes.size() == 2)
            code = code << 8 | static_cast<unsigned char>(bytes[1]);
        auto first = firstBytes.find(uint16_t(unit));
        const unsigned expected = first != firstBytes.end() ? first->second : '?';
        if (code != expected)
            narrow += hex4(unit) + hex4(code);
    }
    std::fprintf(out, "const char kWide1_%u[] =%s;\n", codePage, literal(wide1).c_str());
    std::fprintf(out, "const char kLeads_%u[] =%s;\n", codePage, literal(leads).c_str());
    std::fprintf(out, "const char kWide2_%u[] =%s;\n", codePage, literal(wide2).c_str());
    std::fprintf(out, "const char kNarrow_%u[] =%s;\n\n", codePage, literal(narrow).c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: DumpCodePages TABLES.cpp DIGESTS.inc\n");
        return 2;
    }
    std::FILE* tables = std::fopen(argv[1], "wb");
    std::FILE* digests = std::fopen(argv[2], "wb");
    if (!tables || !digests)
        return 1;
    std::fprintf(tables, "// Generated by tools/codepages/make-tables.sh from the Win32 converters;\n"
                         "// do not edit. Layout: tools/codepages/DumpCodePages.cpp.\n"
                         "#include \"platform/posix/CodePageTable.h\"\n\n"
                         "namespace kw5platform {\n\nnamespace {\n\n");
    for (unsigned codePage : kTableCodePages)
        writeTables(tables, codePage);
    std::fprintf(tables, "} // namespace\n\nconst CodePageTableData kCodePageTables[] = {\n");
    for (unsigned codePage : kTableCodePages)
        std::fprintf(tables, "    {%u, kWide1_%u, kLeads_%u, kWide2_%u, kNarrow_%u},\n", codePage,
                     codePage, codePage, codePage, codePage);
    std::fprintf(tables, "    {0, nullptr, nullptr, nullptr, nullptr},\n};\n\n"
                         "} // namespace kw5platform\n");

    std::fprintf(digests, "// Generated by tools/codepages/make-tables.sh from the Win32 converters;\n"
                          "// do not edit. {code page, wide digest, narrow digest}\n");
    for (unsigned codePage : kDigestCodePages) {
        const uint64_t wide = kw5codepages::wideDigest(
            [codePage](const std::string& b, std::vector<uint16_t>& u) {
                return toWide(codePage, b, u);
            });
        const uint64_t narrow = kw5codepages::narrowDigest(
            [codePage](const std::vector<uint16_t>& u, std::string& b) {
                return toNarrow(codePage, u, b);
            });
        std::fprintf(digests, "{%u, 0x%016llXull, 0x%016llXull},\n", codePage,
                     static_cast<unsigned long long>(wide),
                     static_cast<unsigned long long>(narrow));
    }
    std::fclose(tables);
    std::fclose(digests);
    return failed ? 1 : 0;
}

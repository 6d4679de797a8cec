#include "platform/posix/CodePageTable.h"

#include <cstring>
#include <map>
#include <memory>

namespace kw5platform {

namespace {

unsigned hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return unsigned(c - '0');
    return unsigned(c - 'A' + 10);
}

unsigned hexValue(const char* text, size_t digits) {
    unsigned value = 0;
    for (size_t i = 0; i < digits; ++i)
        value = value << 4 | hexDigit(text[i]);
    return value;
}

const uint16_t kDefaultByte = '?';

} // namespace

CodePageTable::CodePageTable(const CodePageTableData& data)
    : codePage_(data.codePage), narrow_(0x10000, kDefaultByte) {
    for (unsigned b = 0; b < 256; ++b) {
        single_[b] = static_cast<uint16_t>(hexValue(data.wide1 + 4 * b, 4));
        leadIndex_[b] = -1;
    }
    const size_t leads = std::strlen(data.leads) / 2;
    pairs_.resize(leads * 256);
    for (size_t i = 0; i < pairs_.size(); ++i)
        pairs_[i] = static_cast<uint16_t>(hexValue(data.wide2 + 4 * i, 4));
    for (size_t i = 0; i < leads; ++i)
        leadIndex_[hexValue(data.leads + 2 * i, 2)] = static_cast<int>(i);

    // A unit goes back to the first sequence that reads as it, unless the
    // exceptions say otherwise; units nothing reads as become '?'.
    std::vector<bool> seen(0x10000, false);
    auto first = [&](uint16_t unit, uint16_t code) {
        if (!seen[unit]) {
            seen[unit] = true;
            narrow_[unit] = code;
        }
    };
    for (unsigned b = 1; b < 256; ++b)
        if (leadIndex_[b] < 0)
            first(single_[b], static_cast<uint16_t>(b));
    for (unsigned lead = 0; lead < 256; ++lead) {
        if (leadIndex_[lead] < 0)
            continue;
        for (unsigned trail = 1; trail < 256; ++trail) {
            const uint16_t unit = pairs_[size_t(leadIndex_[lead]) * 256 + trail];
            if (unit != 0)
                first(unit, static_cast<uint16_t>(lead << 8 | trail));
        }
    }
    for (const char* at = data.narrow; *at; at += 8)
        narrow_[hexValue(at, 4)] = static_cast<uint16_t>(hexValue(at + 4, 4));
}

const CodePageTable* CodePageTable::find(unsigned int codePage) {
    // Built once, on first use, by whichever thread comes first.
    static const std::map<unsigned int, std::unique_ptr<CodePageTable>> tables = [] {
        std::map<unsigned int, std::unique_ptr<CodePageTable>> built;
        for (const CodePageTableData* data = kCodePageTables; data->codePage != 0; ++data)
            built[data->codePage].reset(new CodePageTable(*data));
        return built;
    }();
    auto it = tables.find(codePage);
    return it == tables.end() ? nullptr : it->second.get();
}

void CodePageTable::toWide(const unsigned char* bytes, size_t length, KW5WString& wide) const {
    wide.clear();
    wide.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        const unsigned char b = bytes[i];
        if (leadIndex_[b] >= 0 && i + 1 < length) {
            const uint16_t unit = pairs_[size_t(leadIndex_[b]) * 256 + bytes[i + 1]];
            if (unit != 0) {
                wide.push_back(static_cast<KW5WChar>(unit));
                ++i;
                continue;
            }
        }
        wide.push_back(static_cast<KW5WChar>(single_[b]));
    }
}

void CodePageTable::toNarrow(const KW5WChar* units, size_t length, std::string& narrow) const {
    narrow.clear();
    narrow.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        const uint16_t code = narrow_[static_cast<uint16_t>(units[i])];
        if (code > 0xFF)
            narrow.push_back(static_cast<char>(code >> 8));
        narrow.push_back(static_cast<char>(code & 0xFF));
    }
}

} // namespace kw5platform

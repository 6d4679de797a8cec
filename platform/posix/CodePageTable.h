// Code pages converted by table on POSIX, exactly as the Win32 converters
// (MultiByteToWideChar / WideCharToMultiByte, no flags) convert them. The
// tables are generated from Windows' own under Wine
// (tools/codepages/make-tables.sh) into CodePageTableData.cpp.
#ifndef KW5_PLATFORM_POSIX_CODEPAGETABLE_H
#define KW5_PLATFORM_POSIX_CODEPAGETABLE_H

#include "platform/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kw5platform {

// One code page as generated: hex text, four digits a unit or byte code.
struct CodePageTableData {
    unsigned int codePage;
    const char* wide1;  // 256 units, one per byte (a lead byte alone)
    const char* leads;  // the lead bytes, two digits each
    const char* wide2;  // per lead byte 256 units by trail; 0: no pair
    const char* narrow; // unit and bytes where the bytes are not those of
                        // the first sequence that reads as the unit
};

// Ends with an entry of code page 0.
extern const CodePageTableData kCodePageTables[];

class CodePageTable {
public:
    // The table of a code page, or nullptr when it has none.
    static const CodePageTable* find(unsigned int codePage);

    explicit CodePageTable(const CodePageTableData& data);

    unsigned int codePage() const { return codePage_; }
    // Both convert all of their input; nothing is undefined for them.
    void toWide(const unsigned char* bytes, size_t length, KW5WString& wide) const;
    void toNarrow(const KW5WChar* units, size_t length, std::string& narrow) const;

private:
    unsigned int codePage_;
    uint16_t single_[256];
    int leadIndex_[256];
    std::vector<uint16_t> pairs_;
    // Bytes of every unit: one byte below 0x100, else lead and trail.
    std::vector<uint16_t> narrow_;
};

} // namespace kw5platform

#endif

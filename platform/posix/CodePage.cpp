// Code-page conversion on POSIX.
//
// Windows converts with the thread's ANSI code page; here each thread keeps
// its own code page number (from KW5_ANSI_CODEPAGE, else 1252). Code pages
// 1252, 932 and 28591 convert by tables made from Windows' own converters
// (CodePageTable), byte for byte as MultiByteToWideChar / WideCharToMultiByte
// without flags; UTF-8 is read as those read it (utf8ToWide). The others go
// through the C library's iconv, with a pair of
// descriptors per thread so conversions never share state: there a byte
// sequence the code page does not define becomes U+FFFD, a character the code
// page cannot hold its default character '?'.
#include "platform/CodePage.h"

#include "platform/posix/CodePageTable.h"
#include "platform/posix/Utf8ToWide.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <vector>

namespace kw5platform {

namespace {

const unsigned int kDefaultCodePage = 1252;
const unsigned int kUtf8CodePage = 65001;
const KW5WChar kReplacementUnit = 0xFFFD;

struct CodePageName {
    unsigned int codePage;
    const char* iconvName;
};

// Windows code page numbers and the names glibc knows them by.
const CodePageName kCodePageNames[] = {
    {437, "CP437"},         {737, "CP737"},           {775, "CP775"},        {850, "CP850"},
    {852, "CP852"},         {855, "CP855"},           {857, "CP857"},        {860, "CP860"},
    {861, "CP861"},         {862, "CP862"},           {863, "CP863"},        {864, "CP864"},
    {865, "CP865"},         {866, "CP866"},           {869, "CP869"},        {874, "CP874"},
    {932, "CP932"},         {936, "CP936"},           {949, "CP949"},        {950, "CP950"},
    {1250, "CP1250"},       {1251, "CP1251"},         {1252, "CP1252"},      {1253, "CP1253"},
    {1254, "CP1254"},       {1255, "CP1255"},         {1256, "CP1256"},      {1257, "CP1257"},
    {1258, "CP1258"},       {10000, "MACINTOSH"},     {20127, "ASCII"},      {20866, "KOI8-R"},
    {20932, "EUC-JP"},      {21866, "KOI8-U"},        {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"},    {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},    {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"}, {51932, "EUC-JP"},        {51936, "EUC-CN"},     {51949, "EUC-KR"},
    {54936, "GB18030"},     {kUtf8CodePage, "UTF-8"},
};

const char* iconvName(unsigned int codePage) {
    for (const CodePageName& entry : kCodePageNames) {
        if (entry.codePage == codePage)
            return entry.iconvName;
    }
    return nullptr;
}

// The host side of every conversion: UTF-16 in the machine's byte order.
const char* hostUtf16Name() {
    const uint16_t probe = 1;
    unsigned char first;
    std::memcpy(&first, &probe, 1);
    return first == 1 ? "UTF-16LE" : "UTF-16BE";
}

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

// The conversion state of one thread.
class ThreadCodePage {
public:
    ThreadCodePage() : codePage_(initialCodePage()) {}
    ~ThreadCodePage() { closeDescriptors(); }
    ThreadCodePage(const ThreadCodePage&) = delete;
    ThreadCodePage& operator=(const ThreadCodePage&) = delete;

    unsigned int codePage() const { return codePage_; }

    bool select(unsigned int codePage) {
        if (codePage == codePage_)
            return true;
        const char* name = iconvName(codePage);
        if (!name)
            return false;
        iconv_t toWide = iconv_open(hostUtf16Name(), name);
        if (toWide == kNoDescriptor)
            return false;
        iconv_t toNarrow = iconv_open(name, hostUtf16Name());
        if (toNarrow == kNoDescriptor) {
            iconv_close(toWide);
            return false;
        }
        closeDescriptors();
        codePage_ = codePage;
        toWide_ = toWide;
        toNarrow_ = toNarrow;
        return true;
    }

    // Descriptors are opened on first use, so a thread that never converts
    // never loads a conversion module.
    iconv_t toWide() {
        openDescriptors();
        return toWide_;
    }
    iconv_t toNarrow() {
        openDescriptors();
        return toNarrow_;
    }

private:
    static unsigned int initialCodePage() {
        const char* text = std::getenv("KW5_ANSI_CODEPAGE");
        if (!text || !*text)
            return kDefaultCodePage;
        char* end = nullptr;
        unsigned long value = std::strtoul(text, &end, 10);
        if (*end != '\0' || value > 0xFFFF || !iconvName(static_cast<unsigned int>(value)))
            return kDefaultCodePage;
        return static_cast<unsigned int>(value);
    }

    void openDescriptors() {
        if (toWide_ != kNoDescriptor && toNarrow_ != kNoDescriptor)
            return;
        closeDescriptors();
        const char* name = iconvName(codePage_);
        toWide_ = iconv_open(hostUtf16Name(), name);
        toNarrow_ = iconv_open(name, hostUtf16Name());
    }

    void closeDescriptors() {
        if (toWide_ != kNoDescriptor)
            iconv_close(toWide_);
        if (toNarrow_ != kNoDescriptor)
            iconv_close(toNarrow_);
        toWide_ = kNoDescriptor;
        toNarrow_ = kNoDescriptor;
    }

    unsigned int codePage_;
    iconv_t toWide_ = kNoDescriptor;
    iconv_t toNarrow_ = kNoDescriptor;
};

ThreadCodePage& threadState() {
    thread_local ThreadCodePage state;
    return state;
}

// Runs iconv over the whole input. At every input position iconv refuses,
// skip(position) says how many input bytes to drop and replace() appends the
// stand-in to the output. Returns false only on an unexpected iconv error.
template <typename Skip, typename Replace>
bool runIconv(iconv_t descriptor, const char* input, size_t inputSize, std::vector<char>& output,
              Skip skip, Replace replace) {
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    output.clear();
    std::vector<char> chunk(inputSize * 4 + 16);
    char* in = const_cast<char*>(input);
    size_t inLeft = inputSize;
    while (true) {
        char* out = chunk.data();
        size_t outLeft = chunk.size();
        size_t result = iconv(descriptor, inLeft ? &in : nullptr, &inLeft, &out, &outLeft);
        output.insert(output.end(), chunk.data(), out);
        if (result != static_cast<size_t>(-1)) {
            if (inLeft == 0)
                return true;
            continue;
        }
        if (errno == E2BIG)
            continue;
        if (errno != EILSEQ && errno != EINVAL)
            return false;
        // EILSEQ: an invalid or unmappable sequence; EINVAL: a sequence cut
        // off by the end of the input. Both are replaced, never fatal.
        size_t dropped = skip(reinterpret_cast<const unsigned char*>(in), inLeft);
        replace(reinterpret_cast<const unsigned char*>(in), output);
        in += dropped;
        inLeft -= dropped;
        if (inLeft == 0)
            return true;
    }
}

void appendUnit(std::vector<char>& output, KW5WChar unit) {
    char bytes[sizeof unit];
    std::memcpy(bytes, &unit, sizeof unit);
    output.insert(output.end(), bytes, bytes + sizeof unit);
}

} // namespace

bool convertToWide(const std::string& narrow, KW5WString& wide) {
    if (narrow.size() >= kMaxConvertLength)
        return false;
    if (narrow.size() == 1 && narrow[0] == '\0') {
        wide.assign(1, KW5WChar(0));
        return true;
    }
    const size_t length = std::strlen(narrow.c_str());
    if (length == 0) {
        wide.clear();
        return true;
    }
    ThreadCodePage& state = threadState();
    if (const CodePageTable* table = CodePageTable::find(state.codePage())) {
        table->toWide(reinterpret_cast<const unsigned char*>(narrow.data()), length, wide);
        return true;
    }
    if (state.codePage() == kUtf8CodePage) {
        utf8ToWide(reinterpret_cast<const unsigned char*>(narrow.data()), length, wide);
        return true;
    }
    iconv_t descriptor = state.toWide();
    if (descriptor == kNoDescriptor)
        return false;
    std::vector<char> output;
    bool done = runIconv(
        descriptor, narrow.data(), length, output,
        [](const unsigned char*, size_t) { return size_t(1); },
        [](const unsigned char*, std::vector<char>& out) { appendUnit(out, kReplacementUnit); });
    if (!done)
        return false;
    KW5WString result(output.size() / sizeof(KW5WChar), KW5WChar(0));
    if (!result.empty())
        std::memcpy(&result[0], output.data(), result.size() * sizeof(KW5WChar));
    wide.swap(result);
    return true;
}

bool convertToNarrow(const KW5WString& wide, std::string& narrow) {
    if (wide.size() >= kMaxConvertLength)
        return false;
    if (wide.size() == 1 && wide[0] == 0) {
        narrow.assign(1, '\0');
        return true;
    }
    size_t length = 0;
    while (length < wide.size() && wide[length] != 0)
        ++length;
    if (length == 0) {
        narrow.clear();
        return true;
    }
    ThreadCodePage& state = threadState();
    if (const CodePageTable* table = CodePageTable::find(state.codePage())) {
        table->toNarrow(wide.data(), length, narrow);
        return true;
    }
    iconv_t descriptor = state.toNarrow();
    if (descriptor == kNoDescriptor)
        return false;
    // UTF-8 has every character; only broken surrogates reach the
    // replacement, and Windows writes U+FFFD for them.
    const std::string replacement = state.codePage() == kUtf8CodePage ? "\xEF\xBF\xBD" : "?";
    std::vector<char> output;
    bool done = runIconv(
        descriptor, reinterpret_cast<const char*>(wide.data()), length * sizeof(KW5WChar), output,
        [](const unsigned char*, size_t left) {
            // Windows replaces unit by unit: an unmappable surrogate pair
            // becomes two default characters. A unit cut in half can only
            // be the end of the input.
            return left < sizeof(KW5WChar) ? left : sizeof(KW5WChar);
        },
        [&replacement](const unsigned char*, std::vector<char>& out) {
            out.insert(out.end(), replacement.begin(), replacement.end());
        });
    if (!done)
        return false;
    narrow.assign(output.begin(), output.end());
    return true;
}

unsigned int threadAnsiCodePage() {
    return threadState().codePage();
}

bool setThreadAnsiCodePage(unsigned int codePage) {
    return threadState().select(codePage);
}

} // namespace kw5platform

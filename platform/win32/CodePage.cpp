// Code-page conversion on Windows: the system converters with the thread's
// ANSI code page (CP_THREAD_ACP), no flags and no default character, so
// unmappable characters become the code page's own default character and
// undefined byte sequences the system's replacement.
//
// The thread's code page follows the thread locale. setThreadAnsiCodePage
// picks a locale whose ANSI code page is the one asked for and makes it the
// thread locale. UTF-8 (65001) and ISO-8859-1 (28591) are no locale's ANSI
// code page: the thread names them itself and converts with them instead of
// CP_THREAD_ACP until it selects another code page. The variable
// KW5_ANSI_CODEPAGE of the POSIX build is not read here: Windows hosts set
// their code page through the system.
#include "platform/CodePage.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

namespace kw5platform {

namespace {

struct CodePageLocale {
    unsigned int codePage;
    LANGID language;
};

// One locale per ANSI code page; any locale of that code page would do.
const CodePageLocale kCodePageLocales[] = {
    {874, MAKELANGID(LANG_THAI, SUBLANG_DEFAULT)},
    {932, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)},
    {936, MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)},
    {949, MAKELANGID(LANG_KOREAN, SUBLANG_DEFAULT)},
    {950, MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL)},
    {1250, MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT)},
    {1251, MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT)},
    {1252, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)},
    {1253, MAKELANGID(LANG_GREEK, SUBLANG_DEFAULT)},
    {1254, MAKELANGID(LANG_TURKISH, SUBLANG_DEFAULT)},
    {1255, MAKELANGID(LANG_HEBREW, SUBLANG_DEFAULT)},
    {1256, MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA)},
    {1257, MAKELANGID(LANG_ESTONIAN, SUBLANG_DEFAULT)},
    {1258, MAKELANGID(LANG_VIETNAMESE, SUBLANG_DEFAULT)},
};

// 65001 or 28591 when the thread chose one of them, else 0.
thread_local unsigned int explicitCodePage = 0;

UINT conversionCodePage() {
    return explicitCodePage != 0 ? explicitCodePage : CP_THREAD_ACP;
}

} // namespace

bool convertToWide(const std::string& narrow, KW5WString& wide) {
    if (narrow.size() >= kMaxConvertLength)
        return false;
    if (narrow.size() == 1 && narrow[0] == '\0') {
        wide.assign(1, KW5WChar(0));
        return true;
    }
    const int length = static_cast<int>(std::strlen(narrow.c_str()));
    if (length == 0) {
        wide.clear();
        return true;
    }
    const UINT codePage = conversionCodePage();
    int units = MultiByteToWideChar(codePage, 0, narrow.data(), length, nullptr, 0);
    if (units <= 0)
        return false;
    KW5WString result(static_cast<size_t>(units), KW5WChar(0));
    if (MultiByteToWideChar(codePage, 0, narrow.data(), length, &result[0], units) != units)
        return false;
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
    const int length = static_cast<int>(std::wcslen(wide.c_str()));
    if (length == 0) {
        narrow.clear();
        return true;
    }
    const UINT codePage = conversionCodePage();
    int bytes = WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    std::string result(static_cast<size_t>(bytes), '\0');
    if (WideCharToMultiByte(codePage, 0, wide.data(), length, &result[0], bytes, nullptr,
                            nullptr) != bytes)
        return false;
    narrow.swap(result);
    return true;
}

unsigned int threadAnsiCodePage() {
    if (explicitCodePage != 0)
        return explicitCodePage;
    UINT codePage = 0;
    if (GetLocaleInfoW(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR)) == 0)
        return GetACP();
    return codePage;
}

bool setThreadAnsiCodePage(unsigned int codePage) {
    if (codePage == CP_UTF8 || codePage == 28591) {
        if (!IsValidCodePage(codePage))
            return false;
        explicitCodePage = codePage;
        return true;
    }
    // A refused code page leaves the thread's choice as it was.
    const unsigned int previous = explicitCodePage;
    explicitCodePage = 0;
    if (codePage == threadAnsiCodePage())
        return true;
    for (const CodePageLocale& entry : kCodePageLocales) {
        if (entry.codePage != codePage)
            continue;
        if (SetThreadLocale(MAKELCID(entry.language, SORT_DEFAULT)) &&
            threadAnsiCodePage() == codePage)
            return true;
        break;
    }
    explicitCodePage = previous;
    return false;
}

} // namespace kw5platform

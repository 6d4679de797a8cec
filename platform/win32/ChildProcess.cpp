#include "platform/ChildProcess.h"

#include "platform/UnicodeText.h"

#include <windows.h>

namespace kw5platform {

namespace {

// One argument quoted for the C run time's command-line parser.
std::wstring quoted(const std::wstring& argument) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            out.append(backslashes * 2 + 1, L'\\');
        else
            out.append(backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

} // namespace

ChildProcess::ChildProcess() : handle_(nullptr) {}

ChildProcess::~ChildProcess() {
    if (handle_) {
        kill();
        wait();
    }
}

bool ChildProcess::start(const KW5WString& executable, const std::vector<std::string>& arguments) {
    if (handle_)
        return false;
    std::wstring line = quoted(executable);
    for (const std::string& argument : arguments)
        line += L" " + quoted(utf8ToUtf16(argument));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(executable.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    CloseHandle(info.hThread);
    handle_ = info.hProcess;
    return true;
}

bool ChildProcess::kill() {
    return handle_ && TerminateProcess(handle_, 1);
}

bool ChildProcess::wait() {
    if (!handle_)
        return false;
    bool ended = WaitForSingleObject(handle_, INFINITE) == WAIT_OBJECT_0;
    CloseHandle(handle_);
    handle_ = nullptr;
    return ended;
}

} // namespace kw5platform

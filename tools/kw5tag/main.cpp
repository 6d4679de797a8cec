// kw5tag: read and change the tags of KW5 audio files from the command line.
//
// Arguments and output are UTF-8 inside the tool. On Windows the arguments
// arrive as UTF-16 (wmain, linked with -municode) and the console is switched
// to UTF-8 output, so that any file name and value passes unchanged.
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/Help.h"
#include "tools/kw5tag/Utf8.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

void printOverview(FILE* out) {
    kw5tag::printOverview(out);
}

const kw5tag::Command* findCommand(const std::string& name) {
    for (const auto& command : kw5tag::commands())
        if (name == command.name)
            return &command;
    return nullptr;
}

int run(const std::vector<std::string>& argv) {
    const size_t argc = argv.size();
    if (argc < 2) {
        printOverview(stderr);
        return kw5tag::kExitError;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        const kw5tag::Command* command = argc > 2 ? findCommand(argv[2]) : nullptr;
        if (command)
            std::fputs(command->help, stdout);
        else
            printOverview(stdout);
        return kw5tag::kExitOk;
    }
    if (name == "--man")
        return kw5tag::writeManPage(argc > 2 ? argv[2].c_str() : nullptr);
    if (name == "--version") {
        std::printf("kw5tag 0.1.0\n");
        return kw5tag::kExitOk;
    }
    const kw5tag::Command* command = findCommand(name);
    if (!command) {
        std::fprintf(stderr, "kw5tag: unknown command '%s' (see 'kw5tag --help')\n", name.c_str());
        return kw5tag::kExitError;
    }
    std::vector<std::string> args(argv.begin() + 2, argv.end());
    for (const auto& arg : args)
        if (arg == "--help" || arg == "-h") {
            std::fputs(command->help, stdout);
            return kw5tag::kExitOk;
        }
    try {
        return command->run(args);
    } catch (const kw5tag::UsageError& e) {
        std::fprintf(stderr, "kw5tag %s: %s (see 'kw5tag %s --help')\n", command->name, e.what(),
                     command->name);
    } catch (const kw5tag::Failure& e) {
        std::fprintf(stderr, "kw5tag %s: %s\n", command->name, e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kw5tag %s: %s\n", command->name, e.what());
    }
    return kw5tag::kExitError;
}

} // namespace

#ifdef _WIN32
// kernel32's, declared here rather than through the Windows headers.
extern "C" __declspec(dllimport) int __stdcall SetConsoleOutputCP(unsigned int codePage);

int wmain(int argc, wchar_t** argv) {
    const unsigned int kUtf8CodePage = 65001;
    SetConsoleOutputCP(kUtf8CodePage);
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(kw5tag::toUtf8(KW5WString(argv[i])));
    return run(args);
}
#else
int main(int argc, char** argv) {
    return run(std::vector<std::string>(argv, argv + argc));
}
#endif

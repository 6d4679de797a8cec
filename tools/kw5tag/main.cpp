// kw5tag: read and change the tags of KW5 audio files from the command line.
#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/Help.h"

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

} // namespace

int main(int argc, char** argv) {
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
        return kw5tag::writeManPage(argc > 2 ? argv[2] : nullptr);
    if (name == "--version") {
        std::printf("kw5tag 0.1.0\n");
        return kw5tag::kExitOk;
    }
    const kw5tag::Command* command = findCommand(name);
    if (!command) {
        std::fprintf(stderr, "kw5tag: unknown command '%s' (see 'kw5tag --help')\n", name.c_str());
        return kw5tag::kExitError;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
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

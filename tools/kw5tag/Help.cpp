#include "tools/kw5tag/Help.h"

#include "tools/kw5tag/Commands.h"
#include "tools/kw5tag/Failure.h"

#include <string>

namespace kw5tag {

namespace {

const char* const kSynopsis = "kw5tag COMMAND [OPTIONS] [ARGS...] [FILE...]";

const char* const kIntro =
    "Reads and changes the tags of KW5 audio files (tags with the magic kw5\n"
    "or ID3, version 2.3). What to do comes first, the files last, as with\n"
    "mid3v2 and eyeD3: the commands that take files take several, and\n"
    "--recursive walks the folders among them.\n";

const char* const kLayouts =
    "Writing commands keep the file's own layout: GM when its tag holds a\n"
    "VMK_LSI object, Prask when it holds a VMK_ULINF object, STD otherwise;\n"
    "--variant chooses another. show and check say which layout a file\n"
    "follows.\n";

const char* const kExitCodes =
    "Exit codes: 0 done, 1 not found (or the check failed), 2 error. With\n"
    "several files the worst of them; a file that fails does not stop the\n"
    "others, and one summary line on stderr ends the run.\n";

const char* const kExamples = "  kw5tag sample s.kw5\n"
                              "  kw5tag set TIT2='Evening in Kyoto' TXXX:MOOD=calm s.kw5\n"
                              "  kw5tag get TIT2 s.kw5 other.kw5\n"
                              "  kw5tag set --dry-run -r TALB='Field Recordings' music/\n"
                              "  kw5tag check -r music/\n";

// Text for man(7): backslashes escaped, no line read as a request.
std::string roff(const std::string& text) {
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\''))
            out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        lineStart = c == '\n';
    }
    return out;
}

} // namespace

void printOverview(FILE* out) {
    std::fprintf(out, "usage: %s\n\n%s\ncommands:\n", kSynopsis, kIntro);
    for (const auto& command : commands())
        std::fprintf(out, "  %-16s %s\n", command.name, command.summary);
    std::fprintf(out,
                 "\n%s\nexamples:\n%s\n'kw5tag COMMAND --help' tells more about a command.\n%s",
                 kLayouts, kExamples, kExitCodes);
}

int writeManPage(const char* path) {
    FILE* out = path ? std::fopen(path, "w") : stdout;
    if (!out) {
        std::fprintf(stderr, "kw5tag: cannot write '%s'\n", path);
        return kExitError;
    }
    std::fprintf(out,
                 ".TH KW5TAG 1 \"\" \"kw5tag\" \"User Commands\"\n"
                 ".SH NAME\nkw5tag \\- read and change the tags of KW5 audio files\n"
                 ".SH SYNOPSIS\n.nf\n%s\n.fi\n.SH DESCRIPTION\n%s.PP\n%s"
                 ".SH COMMANDS\n",
                 roff(kSynopsis).c_str(), roff(kIntro).c_str(), roff(kLayouts).c_str());
    for (const auto& command : commands())
        std::fprintf(out, ".SS %s\n%s.\n.PP\n.nf\n%s.fi\n", command.name,
                     roff(command.summary).c_str(), roff(command.help).c_str());
    std::fprintf(out, ".SH EXIT STATUS\n%s.SH EXAMPLES\n.nf\n%s.fi\n", roff(kExitCodes).c_str(),
                 roff(kExamples).c_str());
    bool ok = !std::ferror(out);
    if (path)
        ok = std::fclose(out) == 0 && ok;
    return ok ? kExitOk : kExitError;
}

} // namespace kw5tag

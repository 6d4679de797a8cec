// The tool's overview and its manual page, made from the same text as the
// sub-commands' --help.
#ifndef KW5TAG_HELP_H
#define KW5TAG_HELP_H

#include <cstdio>

namespace kw5tag {

void printOverview(FILE* out);

// Writes kw5tag(1) in man(7) format to path (stdout when null); answers an
// exit code.
int writeManPage(const char* path);

} // namespace kw5tag

#endif

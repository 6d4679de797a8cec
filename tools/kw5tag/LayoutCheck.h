// Whether a file's tag follows the layout of a variant, and which rule
// fails when it does not.
#ifndef KW5TAG_LAYOUTCHECK_H
#define KW5TAG_LAYOUTCHECK_H

#include "kw5/Types.h"

#include <string>

namespace kw5tag {

struct LayoutVerdict {
    bool follows = false;
    const char* rule = nullptr; // the failing rule in words, when one failed
    int ruleCode = 0;
};

// Throws Failure when the file cannot be checked at all.
LayoutVerdict checkLayout(const std::string& path, LONG kind);

// "follows it" or "does not follow it: <rule> (rule N)".
std::string verdictText(const LayoutVerdict& verdict);

} // namespace kw5tag

#endif

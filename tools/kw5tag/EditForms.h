// The argument forms of get, set and delete: what to do first, the files
// last (kw5tag set TIT2=x TPE1=y a.kw5 b.kw5), beside the single-file forms
// of earlier versions (kw5tag set a.kw5 TIT2 x).
#ifndef KW5TAG_EDITFORMS_H
#define KW5TAG_EDITFORMS_H

#include "tools/kw5tag/TagFile.h"

#include <string>
#include <vector>

namespace kw5tag {

// The values given to one frame; only WOAR and WCOM take several.
struct Assignment {
    FrameName name;
    std::vector<std::string> values; // UTF-8, as typed
};

struct EditRequest {
    std::vector<Assignment> assignments; // set
    std::vector<FrameName> frames;       // get (one), delete
    std::vector<std::string> files;
};

// Each throws UsageError naming what is wrong.
EditRequest parseSetForm(const std::vector<std::string>& positionals);
EditRequest parseDeleteForm(const std::vector<std::string>& positionals);
EditRequest parseGetForm(const std::vector<std::string>& positionals);

// TXXX, WXXX and GEOB frames are named by a description, no others.
bool keyedByDescription(const std::string& id);
void requireDescriptionRule(const FrameName& name);

} // namespace kw5tag

#endif

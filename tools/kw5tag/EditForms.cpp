#include "tools/kw5tag/EditForms.h"

#include "tools/kw5tag/Args.h"
#include "tools/kw5tag/Utf8.h"

namespace kw5tag {

namespace {

const char* const kSetUsage = "kw5tag set FRAME[:DESC]=VALUE... FILE...";
const char* const kDeleteUsage = "kw5tag delete FRAME[:DESC]... FILE...";
const char* const kGetUsage = "kw5tag get FRAME[:DESC] FILE...";

// FRAME[:DESC]=VALUE; a description cannot hold '=' in this form.
bool isAssignment(const std::string& text) {
    size_t eq = text.find('=');
    return eq != std::string::npos && looksLikeFrameName(text.substr(0, eq));
}

bool isPlainFrameName(const std::string& text) {
    return looksLikeFrameName(text) && text.find('=') == std::string::npos;
}

void addValue(std::vector<Assignment>& assignments, const FrameName& name,
              const std::string& value) {
    for (auto& assignment : assignments)
        if (assignment.name.id == name.id && assignment.name.description == name.description) {
            if (name.id != "WOAR" && name.id != "WCOM")
                throw UsageError(name.text + " is assigned twice; only WOAR and WCOM take " +
                                 "several values");
            assignment.values.push_back(value);
            return;
        }
    assignments.push_back({name, {value}});
}

void requireSettable(const FrameName& name) {
    requireDescriptionRule(name);
    if (name.id == "GEOB")
        throw UsageError("objects are written with put-object");
    if (name.id[0] != 'T' && name.id[0] != 'W')
        throw UsageError(name.id + ": only text (T...) and URL (W...) frames take text values");
}

// The files that follow the leading words; none of them may look like one
// of those words, which would mean the order is mixed up.
std::vector<std::string> filesAfter(const std::vector<std::string>& positionals, size_t first,
                                    bool (*leading)(const std::string&), const char* usage) {
    std::vector<std::string> files(positionals.begin() + static_cast<long>(first),
                                   positionals.end());
    if (files.empty())
        throw UsageError(std::string("no FILE given; usage: ") + usage);
    for (const auto& file : files)
        if (leading(file))
            throw UsageError("'" + file + "' follows a file name; usage: " + usage + " (write ./" +
                             file + " for a file of that name)");
    return files;
}

} // namespace

bool keyedByDescription(const std::string& id) {
    return id == "TXXX" || id == "WXXX" || id == "GEOB";
}

void requireDescriptionRule(const FrameName& name) {
    if (keyedByDescription(name.id) && (!name.hasDescription || name.description.empty()))
        throw UsageError(name.id + " frames are named by a description: write " + name.id +
                         ":DESCRIPTION");
    if (name.hasDescription && !keyedByDescription(name.id))
        throw UsageError(name.id +
                         " frames have no description; drop ':" + toUtf8(name.description) + "'");
}

EditRequest parseSetForm(const std::vector<std::string>& positionals) {
    EditRequest request;
    if (!positionals.empty() && isAssignment(positionals[0])) {
        size_t i = 0;
        for (; i < positionals.size() && isAssignment(positionals[i]); ++i) {
            size_t eq = positionals[i].find('=');
            FrameName name = parseFrameName(positionals[i].substr(0, eq));
            requireSettable(name);
            addValue(request.assignments, name, positionals[i].substr(eq + 1));
        }
        request.files = filesAfter(positionals, i, isAssignment, kSetUsage);
        return request;
    }
    // The single-file form: FILE FRAME[:DESC] VALUE...
    if (positionals.size() < 3 || !isPlainFrameName(positionals[1]))
        throw UsageError(std::string("expected assignments, then files; usage: ") + kSetUsage);
    FrameName name = parseFrameName(positionals[1]);
    requireSettable(name);
    for (size_t i = 2; i < positionals.size(); ++i)
        addValue(request.assignments, name, positionals[i]);
    request.files.push_back(positionals[0]);
    return request;
}

EditRequest parseDeleteForm(const std::vector<std::string>& positionals) {
    EditRequest request;
    if (!positionals.empty() && isPlainFrameName(positionals[0])) {
        if (isPlainFrameName(positionals.back()))
            throw UsageError(std::string("no FILE given; usage: ") + kDeleteUsage);
        size_t i = 0;
        for (; i + 1 < positionals.size() && isPlainFrameName(positionals[i]); ++i) {
            request.frames.push_back(parseFrameName(positionals[i]));
            requireDescriptionRule(request.frames.back());
        }
        request.files = filesAfter(positionals, i, isPlainFrameName, kDeleteUsage);
        return request;
    }
    // The single-file form: FILE FRAME[:DESC]
    if (positionals.size() != 2 || !isPlainFrameName(positionals[1]))
        throw UsageError(std::string("expected frames, then files; usage: ") + kDeleteUsage);
    request.frames.push_back(parseFrameName(positionals[1]));
    requireDescriptionRule(request.frames.back());
    request.files.push_back(positionals[0]);
    return request;
}

EditRequest parseGetForm(const std::vector<std::string>& positionals) {
    EditRequest request;
    if (positionals.size() >= 2 && isPlainFrameName(positionals[0])) {
        request.frames.push_back(parseFrameName(positionals[0]));
        request.files.assign(positionals.begin() + 1, positionals.end());
    } else if (positionals.size() == 2 && isPlainFrameName(positionals[1])) {
        // The single-file form: FILE FRAME[:DESC]
        request.frames.push_back(parseFrameName(positionals[1]));
        request.files.push_back(positionals[0]);
    } else {
        if (positionals.size() == 2)
            parseFrameName(positionals[1]); // says what is wrong with the name
        throw UsageError(std::string("expected one frame, then files; usage: ") + kGetUsage);
    }
    requireDescriptionRule(request.frames.back());
    return request;
}

} // namespace kw5tag

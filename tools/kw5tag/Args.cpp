#include "tools/kw5tag/Args.h"

namespace kw5tag {

namespace {

const OptionSpec* findOption(const std::vector<OptionSpec>& options, const std::string& word) {
    for (const auto& option : options)
        if (word == option.name || (!option.alias.empty() && word == option.alias))
            return &option;
    return nullptr;
}

} // namespace

Args::Args(const std::vector<std::string>& argv, const std::vector<OptionSpec>& options) {
    bool onlyPositionals = false;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& word = argv[i];
        if (onlyPositionals || word.size() < 2 || word[0] != '-') {
            positionals_.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyPositionals = true;
            continue;
        }
        if (word == "--help" || word == "-h") {
            help_ = true;
            continue;
        }
        std::string name = word;
        std::string inlineValue;
        bool hasInline = false;
        size_t eq = word.find('=');
        if (word.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            name = word.substr(0, eq);
            inlineValue = word.substr(eq + 1);
            hasInline = true;
        }
        const OptionSpec* option = findOption(options, name);
        if (!option)
            throw UsageError("unknown option '" + name + "'");
        auto& slot = options_[option->name];
        if (!slot.empty() && !option->repeatable)
            throw UsageError("option '" + option->name + "' given twice");
        if (!option->takesValue) {
            if (hasInline)
                throw UsageError("option '" + option->name + "' takes no value");
            slot.push_back("");
            continue;
        }
        if (hasInline) {
            slot.push_back(inlineValue);
        } else if (i + 1 < argv.size()) {
            slot.push_back(argv[++i]);
        } else {
            throw UsageError("option '" + option->name + "' needs a value");
        }
    }
}

bool Args::has(const std::string& option) const {
    return options_.count(option) != 0;
}

std::string Args::value(const std::string& option, const std::string& fallback) const {
    auto it = options_.find(option);
    if (it == options_.end() || it->second.empty())
        return fallback;
    return it->second.back();
}

const std::vector<std::string>& Args::values(const std::string& option) const {
    static const std::vector<std::string> none;
    auto it = options_.find(option);
    return it == options_.end() ? none : it->second;
}

void Args::expectPositionals(size_t min, size_t max, const std::string& usage) const {
    if (positionals_.size() < min)
        throw UsageError("missing arguments; usage: " + usage);
    if (positionals_.size() > max)
        throw UsageError("too many arguments ('" + positionals_[max] + "'); usage: " + usage);
}

} // namespace kw5tag

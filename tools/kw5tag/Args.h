// Command-line arguments of one sub-command: options and positionals.
#ifndef KW5TAG_ARGS_H
#define KW5TAG_ARGS_H

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace kw5tag {

// A mistake in how the tool was called: one line on stderr, exit 2.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& what) : std::runtime_error(what) {}
};

struct OptionSpec {
    std::string name;  // "--mime"
    std::string alias; // "-o" or empty
    bool takesValue;
    bool repeatable;
};

class Args {
public:
    // Parses argv after the sub-command name; throws UsageError.
    Args(const std::vector<std::string>& argv, const std::vector<OptionSpec>& options);

    bool has(const std::string& option) const;
    std::string value(const std::string& option, const std::string& fallback = "") const;
    const std::vector<std::string>& values(const std::string& option) const;
    const std::vector<std::string>& positionals() const { return positionals_; }
    bool helpRequested() const { return help_; }

    // Throws UsageError unless the count of positionals is in [min, max].
    void expectPositionals(size_t min, size_t max, const std::string& usage) const;

private:
    std::map<std::string, std::vector<std::string>> options_;
    std::vector<std::string> positionals_;
    bool help_ = false;
};

} // namespace kw5tag

#endif

// Runs one sub-command over many files: expands folders, keeps going after
// a file fails, reports progress and one summary line, and answers the
// worst exit code of the files.
#ifndef KW5TAG_BATCH_H
#define KW5TAG_BATCH_H

#include "tools/kw5tag/Args.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kw5tag {

// The options every command that takes files understands; dryRun adds
// --dry-run for the commands that write.
std::vector<OptionSpec> batchOptions(std::vector<OptionSpec> own, bool dryRun = false);

class Batch {
public:
    Batch(const char* command, const Args& args);

    bool quiet() const { return quiet_; }
    bool verbose() const { return verbose_; }
    bool dryRun() const { return dryRun_; }
    // More than one file (or a folder) was named: output lines start with
    // the file name.
    bool several() const { return several_; }

    // Calls work for every file named by args (folders walked with
    // --recursive); work answers an ExitCode or throws Failure, which
    // becomes an error line for that file alone.
    int run(const std::vector<std::string>& args,
            const std::function<int(const std::string&)>& work);

    // How the summary names the files that answered kExitNotFound.
    void setNotFoundWords(const char* words) { notFoundWords_ = words; }

    // A line on stderr about one file, left out with --quiet.
    void tell(const std::string& path, const std::string& text) const;
    // A line on stderr about one file, shown with --verbose.
    void note(const std::string& path, const std::string& text) const;

private:
    std::vector<std::string> expand(const std::vector<std::string>& args);
    void walk(const std::string& folder, std::vector<std::string>& files);
    void fail(const std::string& path, const std::string& message);
    void progress(size_t done, size_t total, const std::string& path);

    std::string command_;
    std::string notFoundWords_ = "without the frame";
    bool quiet_, verbose_, recursive_, dryRun_;
    bool several_ = false;
    bool walked_ = false;
    size_t failed_ = 0, notFound_ = 0, done_ = 0, skipped_ = 0;
    std::chrono::steady_clock::time_point lastProgress_;
};

// Whether the file starts with a tag header (magic "kw5" or "ID3").
bool hasTagHeader(const std::string& path);

} // namespace kw5tag

#endif

#include "tools/kw5tag/Batch.h"

#include "tools/kw5tag/Failure.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kw5tag {

namespace {

namespace fs = std::filesystem;

// A folder walk says how far it got at most this often.
const std::chrono::seconds kProgressEvery(1);

std::string plural(size_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

} // namespace

std::vector<OptionSpec> batchOptions(std::vector<OptionSpec> own, bool dryRun) {
    own.push_back({"--recursive", "-r", false, false});
    own.push_back({"--quiet", "-q", false, false});
    own.push_back({"--verbose", "-v", false, false});
    if (dryRun)
        own.push_back({"--dry-run", "-n", false, false});
    return own;
}

bool hasTagHeader(const std::string& path) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    char magic[3] = {0, 0, 0};
    if (!in.read(magic, sizeof magic))
        return false;
    std::string text(magic, sizeof magic);
    return text == "kw5" || text == "ID3";
}

Batch::Batch(const char* command, const Args& args)
    : command_(command), quiet_(args.has("--quiet")), verbose_(args.has("--verbose")),
      recursive_(args.has("--recursive")), dryRun_(args.has("--dry-run")),
      lastProgress_(std::chrono::steady_clock::now()) {
    if (quiet_ && verbose_)
        throw UsageError("--quiet and --verbose exclude each other");
}

void Batch::note(const std::string& path, const std::string& text) const {
    if (verbose_)
        std::fprintf(stderr, "kw5tag %s: %s: %s\n", command_.c_str(), path.c_str(), text.c_str());
}

void Batch::tell(const std::string& path, const std::string& text) const {
    std::fflush(stdout); // keep the lines of one file in order
    if (!quiet_)
        std::fprintf(stderr, "kw5tag %s: %s: %s\n", command_.c_str(), path.c_str(), text.c_str());
}

void Batch::fail(const std::string& path, const std::string& message) {
    ++failed_;
    std::fflush(stdout);
    std::fprintf(stderr, "kw5tag %s: %s: %s\n", command_.c_str(), path.c_str(), message.c_str());
}

void Batch::walk(const std::string& folder, std::vector<std::string>& files) {
    std::error_code ec;
    std::vector<std::string> found;
    fs::recursive_directory_iterator it(fs::u8path(folder),
                                        fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            found.push_back(it->path().u8string());
    }
    if (ec)
        fail(folder, "cannot walk the folder: " + ec.message());
    std::sort(found.begin(), found.end());
    for (auto& path : found) {
        // Audio without a tag, pictures, playlists: not ours to touch.
        if (hasTagHeader(path)) {
            files.push_back(std::move(path));
        } else {
            ++skipped_;
            note(path, "skipped: no kw5 or ID3 tag header");
        }
    }
}

std::vector<std::string> Batch::expand(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    several_ = args.size() > 1;
    for (const auto& arg : args) {
        std::error_code ec;
        fs::file_status status = fs::status(fs::u8path(arg), ec);
        if (fs::is_directory(status)) {
            several_ = true;
            if (!recursive_) {
                fail(arg, "is a folder (add --recursive to walk it)");
                continue;
            }
            walked_ = true;
            walk(arg, files);
        } else if (!fs::exists(status)) {
            fail(arg, "no such file");
        } else {
            files.push_back(arg);
        }
    }
    return files;
}

void Batch::progress(size_t done, size_t total, const std::string& path) {
    if (quiet_ || !walked_)
        return;
    auto now = std::chrono::steady_clock::now();
    if (now - lastProgress_ < kProgressEvery)
        return;
    lastProgress_ = now;
    std::fprintf(stderr, "kw5tag %s: %zu of %zu files (%zu failed), now %s\n", command_.c_str(),
                 done, total, failed_, path.c_str());
}

int Batch::run(const std::vector<std::string>& args,
               const std::function<int(const std::string&)>& work) {
    if (args.empty())
        throw UsageError("no FILE given");
    std::vector<std::string> files = expand(args);
    int worst = failed_ ? kExitError : kExitOk;
    for (size_t i = 0; i < files.size(); ++i) {
        progress(i, files.size(), files[i]);
        int code;
        try {
            code = work(files[i]);
        } catch (const Failure& e) {
            fail(files[i], e.what());
            code = kExitError;
        } catch (const std::bad_alloc&) {
            fail(files[i], "out of memory");
            code = kExitError;
        }
        if (code == kExitOk)
            ++done_;
        else if (code == kExitNotFound)
            ++notFound_;
        worst = std::max(worst, code);
    }
    size_t total = done_ + notFound_ + failed_;
    if (walked_ && total == 0) {
        // Nothing to work on is worth saying even with --quiet.
        std::fprintf(stderr, "kw5tag %s: no file with a tag found (%s without one skipped)\n",
                     command_.c_str(), plural(skipped_, "file").c_str());
        return std::max(worst, int(kExitNotFound));
    }
    if (several_ && !quiet_) {
        std::string line = plural(total, "file") + ": " + std::to_string(done_) + " done";
        if (notFound_)
            line += ", " + std::to_string(notFound_) + " " + notFoundWords_;
        if (failed_)
            line += ", " + std::to_string(failed_) + " failed";
        if (skipped_)
            line += ", " + plural(skipped_, "file") + " without a tag skipped";
        if (dryRun_)
            line += " (dry run: nothing written)";
        std::fprintf(stderr, "kw5tag %s: %s\n", command_.c_str(), line.c_str());
    }
    return worst;
}

} // namespace kw5tag

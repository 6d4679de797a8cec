// Shared helpers of the storage tests: tag bytes, serialised frame lists,
// the library log, environment overrides and small file systems of their
// own (for free-space and cross-volume cases).
#ifndef KW5_TESTS_STORAGE_STORAGETESTSUPPORT_H
#define KW5_TESTS_STORAGE_STORAGETESTSUPPORT_H

#include "kw5/Types.h"
#include "tag/KW5SerializedFrames.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace storagetest {

typedef std::vector<unsigned char> Bytes;

// "kw5" 03 00 00 and the syncsafe encoding of sizeField.
Bytes tagHeader(uint32_t sizeField, const std::string& magic = "kw5");
// A frame of exactly total bytes (10 header bytes + body) with a
// recognisable body.
Bytes frameOf(uint32_t total, const std::string& id = "PRIV", unsigned char fill = 'a');
// A whole tag of tagSize bytes: header, the frame, zero padding.
Bytes tagOfSize(uint32_t tagSize, const Bytes& frame);
// Deterministic pseudo-random audio bytes.
Bytes audioBytes(size_t count, uint32_t seed = 1);
Bytes join(const Bytes& a, const Bytes& b);

KW5SerializedFrames serialized(const std::vector<Bytes>& frames);

// The log text written since construction (VMKUTILS_LOG points at a file of
// the suite's own, set before main).
class LogCapture {
public:
    LogCapture();
    std::string text() const;
    bool contains(const std::string& line) const;

private:
    std::uintmax_t start_;
};

// The shared-file log binds the utility library at run time; in the test
// build it lies in the build folder. Call before a test reaches that log.
void bindSharedLog();

// The variable that names the temporary folder: GetTempPathW reads TMP
// first, POSIX programs read TMPDIR.
#ifdef _WIN32
const char* const kTemporaryFolderVariable = "TMP";
#else
const char* const kTemporaryFolderVariable = "TMPDIR";
#endif

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::string& value);
    ~ScopedEnv();

private:
    std::string name_;
    std::string old_;
    bool had_;
};

// A tmpfs of the given size mounted on folder (created when missing) for
// the life of the object. mounted() is false where mounting is not
// allowed; tests then skip.
class SmallVolume {
public:
    SmallVolume(const std::filesystem::path& folder, size_t bytes);
    ~SmallVolume();
    bool mounted() const { return mounted_; }
    const std::filesystem::path& path() const { return folder_; }

private:
    std::filesystem::path folder_;
    bool mounted_;
};

// Names of the regular files in a folder.
std::vector<std::string> filesIn(const std::filesystem::path& folder);

} // namespace storagetest

#endif

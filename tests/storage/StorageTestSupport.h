// Shared helpers of the storage tests: tag bytes, frame lists, writes, the
// library log, small file systems of their own (free space, other volumes)
// and, on POSIX, advisory locks that fail on demand.
#ifndef KW5_TESTS_STORAGE_STORAGETESTSUPPORT_H
#define KW5_TESTS_STORAGE_STORAGETESTSUPPORT_H

#include "storage/KW5File.h"

#include <filesystem>
#include <string>
#include <vector>

namespace storagetest {

typedef std::vector<unsigned char> Bytes;

// "kw5" 03 00 00 and the syncsafe sizeField.
Bytes tagHeader(uint32_t sizeField);
// A frame of exactly total bytes (10 header bytes + a recognisable body).
Bytes frameOf(uint32_t total, const std::string& id = "PRIV", unsigned char fill = 'a');
// A tag of tagSize bytes: header, the frame, zero padding.
Bytes tagOfSize(uint32_t tagSize, const Bytes& frame);
Bytes audioBytes(size_t count, uint32_t seed = 1);
Bytes join(const Bytes& a, const Bytes& b);
// Builds a default-header tag of the frames for target and writes it.
_KW5_FILE_RET writeTag(const std::filesystem::path& target, const std::vector<Bytes>& frames);

// The library log (VMKUTILS_LOG names a file of the suite's own, set
// before main): all its text, to be cut where a case started.
std::string logText();

// GetTempPathW reads TMP first, POSIX programs read TMPDIR.
#ifdef _WIN32
const char* const kTemporaryFolderVariable = "TMP";
#else
const char* const kTemporaryFolderVariable = "TMPDIR";
// While not 0, every flock of this program fails with this errno.
extern int lockError;
#endif

// A tmpfs of the given size on folder for the life of the object;
// mounted() is false where mounting is not allowed (tests then skip).
class SmallVolume {
public:
    SmallVolume(const std::filesystem::path& folder, size_t bytes);
    ~SmallVolume();
    bool mounted() const { return mounted_; }
    const std::filesystem::path& path() const { return folder_; }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
};

std::vector<std::string> filesIn(const std::filesystem::path& folder);

} // namespace storagetest

#endif

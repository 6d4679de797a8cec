// Streaming copies of file data: the audio behind a tag into the remade
// file, and a finished file onto another volume. The data is never held
// as a whole; positions are 64-bit (audio files may exceed 4 GiB).
#ifndef KW5_STORAGE_KW5AUDIOCOPY_H
#define KW5_STORAGE_KW5AUDIOCOPY_H

#include "facade/KW5FileRet.h"
#include "platform/File.h"
#include "platform/Types.h"

#include <cstdint>

namespace kw5storage {

// The chunk of a copy through memory (where the kernel cannot copy).
const uint32_t kCopyChunk = kw5platform::kCopyChunkBytes;

// Everything from the current position of source to its end, appended at
// the current position of destination (kw5platform::copyToEnd: the kernel's
// own copy where it has one, else 1 MiB chunks). Read failures are
// FILE_ACCESS_ERROR, failed or short writes FILE_WRITE_ERROR.
// Every kFlushAhead bytes the destination is told to start writing to
// disk, so that the flush after a long copy does not wait for all of it.
// A source that is replaced or removed once the copy is done releases its
// cache behind the copy (kw5platform::SourceCache::Release).
const uint64_t kFlushAhead = 8 * 1024 * 1024;
_KW5_FILE_RET copyRest(kw5platform::File& source, kw5platform::File& destination,
                       kw5platform::SourceCache cache);

// The source file from sourcePosition on, written to destination from
// destinationPosition on. A source that cannot be found gives the network
// results for Windows errors 64, 65, 53, 67 and 1326 and FILE_NOT_FOUND for
// any other (kw5platform::lastError() tells whether it is really missing).
_KW5_FILE_RET copyAudio(const KW5WString& source, uint64_t sourcePosition,
                        kw5platform::File& destination, uint64_t destinationPosition);

} // namespace kw5storage

#endif

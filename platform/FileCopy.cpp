// The portable half of file copies: one buffer, large chunks.
#include "platform/File.h"

#include <memory>
#include <new>

namespace kw5platform {

CopyEnd copyByChunks(File& source, File& destination, uint64_t flushEvery, SourceCache cache) {
    // One chunk, allocated once per copy: a 1 MiB read costs no more system
    // time per byte than larger ones and keeps the cache footprint small.
    std::unique_ptr<unsigned char[]> chunk(new (std::nothrow) unsigned char[kCopyChunkBytes]);
    if (!chunk)
        return CopyEnd::OutOfMemory;
    uint64_t unflushed = 0;
    for (;;) {
        uint32_t got = 0;
        if (!source.read(chunk.get(), kCopyChunkBytes, got))
            return CopyEnd::ReadFailed;
        if (got > 0) {
            uint32_t written = 0;
            if (!destination.write(chunk.get(), got, written) || written != got)
                return CopyEnd::WriteFailed;
            unflushed += got;
            if (flushEvery != 0 && unflushed >= flushEvery) {
                if (cache == SourceCache::Release)
                    source.releaseCacheBehind();
                destination.startFlush();
                unflushed = 0;
            }
        }
        if (got < kCopyChunkBytes) {
            if (cache == SourceCache::Release)
                source.releaseCacheBehind();
            return CopyEnd::Done;
        }
    }
}

} // namespace kw5platform

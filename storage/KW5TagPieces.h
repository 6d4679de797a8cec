// A new tag as it goes to disk, never assembled into one block: the tag
// header, then each frame's 10 header bytes and its body (shared with the
// frame it came from, not copied), then the padding. Small pieces are
// gathered into a write buffer of 1 MiB; a body at least that large goes
// to the file straight from where it lies. So writing a tag holds no
// second copy of it.
#ifndef KW5_STORAGE_KW5TAGPIECES_H
#define KW5_STORAGE_KW5TAGPIECES_H

#include "facade/KW5FileRet.h"
#include "platform/File.h"
#include "tag/KW5Frame.h"
#include "tag/KW5TagHeader.h"

#include <cstdint>
#include <vector>

namespace kw5storage {

class KW5TagPieces {
public:
    KW5TagPieces();

    // The tag header (its size field set to frameTotal + padding; the
    // default header when header holds none), the frames (taken over) and
    // padding zero bytes. TAG_TOO_LARGE when the size field cannot carry
    // the total.
    _KW5_FILE_RET set(const KW5TagHeader& header, KW5FrameList&& frames, uint64_t frameTotal,
                      uint32_t padding);
    void clear();

    bool empty() const { return size_ == 0; }
    // The whole tag, header and padding included.
    uint64_t size() const { return size_; }

    // Writes the tag at the current position of file; false (with
    // kw5platform::lastError()) when a write fails or memory runs out.
    bool writeTo(kw5platform::File& file) const;

private:
    unsigned char head_[KW5TagHeader::kLength];
    KW5FrameList frames_;
    uint32_t padding_;
    uint64_t size_;
};

} // namespace kw5storage

#endif

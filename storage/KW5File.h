// Moves tags between files (or memory) and the tag model.
//
// Reading: the tag region of a file (its header's syncsafe size + 10 bytes
// from offset 0) into the buffer, and from there into a KW5Tag. Writing: a
// tag serialised in a variant's order becomes a new tag buffer (padding
// rule of KW5TagSizing.h) and is written back, in place when the size is
// unchanged, otherwise by remaking the file through a temporary file that
// then replaces the target as a whole. A KW5File lives for one operation.
//
// Memory, for a tag of N bytes (the 32-bit DLL has 2 GiB of address space
// and a tag may announce up to 256 MiB): an Open holds the image read here,
// N, where the frames keep their bodies (a body a Put replaces stays held
// with the image, 2N at most). A write holds the bodies once (the copy Update writes from
// and the frames taken for writing share them), the new body of a frame
// whose texts are re-encoded while the old one is still in the tag (an
// object's data is copied once, straight into its new body), and the
// 1 MiB gathering buffer of KW5TagPieces: 2N + 1 MiB. No step assembles
// the tag into one more block. A 256 MiB tag thus needs two blocks of
// 256 MiB at a time, which 2 GiB holds. (A text frame of that size is
// re-encoded through its codec, which holds one more copy for a moment.)
#ifndef KW5_STORAGE_KW5FILE_H
#define KW5_STORAGE_KW5FILE_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"
#include "tag/KW5Frame.h"
#include "tag/KW5SerializedFrames.h"

#include <cstdint>
#include <memory>
#include <vector>

class KW5Tag;
class KW5TagHeader;
namespace kw5storage {
class KW5HeldTarget;
class KW5TagPieces;
} // namespace kw5storage
namespace kw5platform {
class File;
}

class KW5File {
public:
    KW5File();
    virtual ~KW5File();
    KW5File(const KW5File&) = delete;
    KW5File& operator=(const KW5File&) = delete;

    // --- reading ---

    // Reads the tag region of the file into the buffer; a file without a
    // tag leaves it empty. A file shorter than the tag its header announces
    // gives the bytes that are there (the buffer length is what was read).
    // openMode is not used.
    virtual _KW5_FILE_RET read(const KW5WString& path, LONG openMode);
    // The buffer becomes a copy of the bytes (a memory image of a tag).
    _KW5_FILE_RET setImage(const unsigned char* bytes, ULONG length);
    // KW5Tag::load with the buffer.
    // Loads the image read into tag and hands the image over to it: the
    // frames hold their bodies where they lie in it. The buffer is empty
    // afterwards.
    _KW5_FILE_RET loadTag(KW5Tag& tag);
    _KW5_FILE_RET copyBuffer(std::vector<unsigned char>& bytes, ULONG& length) const;

    const std::vector<unsigned char>& buffer() const { return buffer_; }
    ULONG bufferLength() const { return static_cast<ULONG>(buffer_.size()); }

    // The tag size from the file's header: syncsafe size + 10 for the magic
    // "kw5" or "ID3", else 0. A missing file or one shorter than 10 bytes
    // has size 0; a file that exists but cannot be opened or read is
    // KW5_FILE_RET_FILE_ACCESS_ERROR (never mistaken for "no tag", which a
    // later write would turn into a lost tag).
    static _KW5_FILE_RET getTagSizeOnDisk(const KW5WString& path, ULONG& size);
    // FindFirstFileW finds the path.
    static bool fileExists(const KW5WString& path);
    // OK when the file is missing or writable, FILE_READ_ONLY when it has
    // the read-only attribute, FAILED when its attributes cannot be read.
    static _KW5_FILE_RET checkFileWritable(const KW5WString& path);
    // Reads count bytes at position; got < count at the end of the file.
    static _KW5_FILE_RET readAt(const KW5WString& path, void* buffer, ULONG& got, ULONG count,
                                uint64_t position);

    // --- writing ---

    // Take the tag's frames in the variant's write order and write the
    // file. This empties the tag's store. The new tag is written from the
    // frames themselves (KW5TagPieces), never assembled in the buffer.
    _KW5_FILE_RET writeSTD(KW5Tag& tag, const KW5WString& path);
    _KW5_FILE_RET writeGM(KW5Tag& tag, const KW5WString& path);
    _KW5_FILE_RET writePrask(KW5Tag& tag, const KW5WString& path);

    // A padded tag image (Prask order, always the fresh padding, never the
    // reuse of a file's size) in a task-allocator block the caller frees
    // with CoTaskMemFree.
    _KW5_FILE_RET makeTagImage(KW5Tag& tag, unsigned char*& image, ULONG& length);
    // An unpadded image: the tag's header with size field = frame total,
    // then the frame buffers (and one byte of padding after a last frame
    // without a body, which would not load again without it).
    _KW5_FILE_RET makeBareTagImage(const KW5Tag& tag, const KW5SerializedFrames& frames,
                                   std::vector<unsigned char>& image) const;

    // Writes frames, in this order, as the tag of target under header
    // (its size field set): in place when the new tag's size equals the one
    // on disk, otherwise by remaking the file. No frames: the file is
    // rewritten without a tag. The target is held without sharing from the
    // moment its tag size is read until the new content is in place; a
    // target that is read-only, not a regular file or held by another
    // writer beyond the retry rule is refused untouched.
    _KW5_FILE_RET writeFrames(const KW5TagHeader& header, KW5FrameList&& frames, ULONG total,
                              const KW5WString& target);

private:
    typedef _KW5_FILE_RET (KW5Tag::*FrameTaker)(KW5FrameList&, ULONG&);
    _KW5_FILE_RET writeWith(FrameTaker take, KW5Tag& tag, const KW5WString& path);
    // The length of the new tag (pieces or buffer) and writing it at the
    // current position of file.
    ULONG newTagLength() const;
    bool writeNewTag(kw5platform::File& file) const;
    _KW5_FILE_RET writeHeld(kw5storage::KW5HeldTarget& held, const KW5WString& target);
    _KW5_FILE_RET writeInPlace(kw5storage::KW5HeldTarget& held, const KW5WString& target);
    _KW5_FILE_RET remake(kw5storage::KW5HeldTarget& held, const KW5WString& temporary,
                         const KW5WString& target);

    std::vector<unsigned char> buffer_;
    std::unique_ptr<kw5storage::KW5TagPieces> pieces_;
};

#endif

// The writing side of KW5File: new tag buffers, tag images in memory, and
// writing a tag back into its file.
#include "storage/KW5File.h"

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/TaskMem.h"
#include "storage/KW5AudioCopy.h"
#include "storage/KW5DiskSpace.h"
#include "storage/KW5FileOpen.h"
#include "storage/KW5FileReplace.h"
#include "storage/KW5HeldTarget.h"
#include "storage/KW5TagPieces.h"
#include "storage/KW5TagSizing.h"
#include "storage/KW5TempFile.h"
#include "support/KW5Log.h"
#include "tag/KW5FrameHeader.h"
#include "tag/KW5Tag.h"
#include "tag/KW5TagHeader.h"

#include <cstring>
#include <new>

namespace {

// The two sequences must pair up, and each buffer must hold exactly the
// length given for it, so that assembling never reads past a buffer.
_KW5_FILE_RET checkFrameList(const KW5SerializedFrames& frames) {
    if (frames.buffers.size() != frames.lengths.size())
        return KW5_FILE_RET_INVALID_PARAMETER;
    uint64_t sum = 0;
    for (size_t k = 0; k < frames.buffers.size(); ++k) {
        if (frames.buffers[k].size() != frames.lengths[k])
            return KW5_FILE_RET_INVALID_DATA;
        sum += frames.lengths[k];
    }
    return sum == frames.total ? KW5_FILE_RET_OK : KW5_FILE_RET_INVALID_DATA;
}

// header (the tag's own, or the default one when the tag holds none) with
// its size field set, the frames in list order, then padding zero bytes.
_KW5_FILE_RET assembleTag(const KW5TagHeader& tagHeader, const KW5SerializedFrames& frames,
                          uint32_t padding, std::vector<unsigned char>& out) {
    out.clear();
    _KW5_FILE_RET result = checkFrameList(frames);
    if (result != KW5_FILE_RET_OK)
        return result;
    KW5TagHeader header(tagHeader);
    if (header.length() != KW5TagHeader::kLength) {
        result = header.makeDefault();
        if (result != KW5_FILE_RET_OK)
            return result;
    }
    uint64_t sizeField = uint64_t(frames.total) + padding;
    if (sizeField > kw5storage::kTagSizeLimit)
        return KW5_FILE_RET_TAG_TOO_LARGE;
    header.setSize(static_cast<ULONG>(sizeField));
    try {
        out.resize(static_cast<size_t>(KW5TagHeader::kLength + sizeField));
    } catch (const std::bad_alloc&) {
        out.clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    header.copyOut(out.data(), KW5TagHeader::kLength);
    size_t at = KW5TagHeader::kLength;
    for (const std::vector<unsigned char>& frame : frames.buffers) {
        if (!frame.empty())
            std::memcpy(out.data() + at, frame.data(), frame.size());
        at += frame.size();
    }
    // The padding is already zero from resize.
    return KW5_FILE_RET_OK;
}

// A frame without a body that ends the tag is refused when the tag is read
// again; at least one byte of padding must follow it.
bool endsWithEmptyFrame(const KW5SerializedFrames& frames) {
    return !frames.lengths.empty() && frames.lengths.back() == KW5FrameHeader::kLength;
}

_KW5_FILE_RET tagHeaderOf(const KW5Tag& tag, KW5TagHeader& header) {
    return tag.getHeader(header);
}

} // namespace

_KW5_FILE_RET KW5File::writeSTD(KW5Tag& tag, const KW5WString& path) {
    return writeWith(&KW5Tag::takeFramesSTD, tag, path);
}

_KW5_FILE_RET KW5File::writeGM(KW5Tag& tag, const KW5WString& path) {
    return writeWith(&KW5Tag::takeFramesGM, tag, path);
}

_KW5_FILE_RET KW5File::writePrask(KW5Tag& tag, const KW5WString& path) {
    return writeWith(&KW5Tag::takeFramesPrask, tag, path);
}

_KW5_FILE_RET KW5File::writeWith(FrameTaker take, KW5Tag& tag, const KW5WString& path) {
    KW5FrameList frames;
    ULONG total = 0;
    _KW5_FILE_RET result = (tag.*take)(frames, total);
    if (result != KW5_FILE_RET_OK)
        return result;
    KW5TagHeader header;
    result = tagHeaderOf(tag, header);
    if (result != KW5_FILE_RET_OK)
        return result;
    return writeFrames(header, std::move(frames), total, path);
}

_KW5_FILE_RET KW5File::writeFrames(const KW5TagHeader& header, KW5FrameList&& frames, ULONG total,
                                   const KW5WString& path) {
    buffer_.clear();
    pieces_.reset();
    if (kw5storage::tagTooLarge(total))
        return KW5_FILE_RET_TAG_TOO_LARGE;
    if (path.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    // Through a link the file it points to is rewritten, not the link.
    KW5WString target;
    if (!kw5platform::resolveLinks(path, target))
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    // Held from before its tag size is read: the size decides the padding
    // and where the audio starts.
    kw5storage::KW5HeldTarget held;
    _KW5_FILE_RET result = held.hold(target);
    if (result != KW5_FILE_RET_OK)
        return result;
    uint32_t tagSize = 0;
    uint32_t padding = 0;
    // Without frames the tag goes, unless what follows it would then be
    // taken for the file's tag.
    const bool keepEmptyTag = total == 0 && held.audioStartsLikeATag();
    kw5storage::newTagSize(held.tagSize(), total, keepEmptyTag, tagSize, padding);
    if (tagSize != 0) {
        // A last frame without a body needs at least one byte of padding.
        if (padding == 0 && !frames.empty() && frames.back().bodyLength() == 0) {
            kw5storage::freshTagSize(total, tagSize, padding);
            if (padding == 0)
                return KW5_FILE_RET_TAG_TOO_LARGE;
        }
        try {
            pieces_.reset(new kw5storage::KW5TagPieces());
        } catch (const std::bad_alloc&) {
            return KW5_FILE_RET_OUT_OF_MEMORY;
        }
        result = pieces_->set(header, std::move(frames), total, padding);
        if (result != KW5_FILE_RET_OK)
            return result;
    }
    return writeHeld(held, target);
}

ULONG KW5File::newTagLength() const {
    return pieces_ ? static_cast<ULONG>(pieces_->size()) : 0;
}

bool KW5File::writeNewTag(kw5platform::File& file) const {
    return !pieces_ || pieces_->writeTo(file);
}

_KW5_FILE_RET KW5File::makeTagImage(KW5Tag& tag, unsigned char*& image, ULONG& length) {
    buffer_.clear();
    pieces_.reset();
    KW5SerializedFrames frames;
    _KW5_FILE_RET result = tag.serializeFramesPrask(frames);
    if (result != KW5_FILE_RET_OK)
        return result;
    if (kw5storage::tagTooLarge(frames.total)) {
        KW5Tag::releaseFrameBuffers(frames);
        return KW5_FILE_RET_TAG_TOO_LARGE;
    }
    uint32_t tagSize = 0;
    uint32_t padding = 0;
    kw5storage::freshTagSize(frames.total, tagSize, padding);
    KW5TagHeader header;
    std::vector<unsigned char> bytes;
    result = tagHeaderOf(tag, header);
    if (result == KW5_FILE_RET_OK)
        result = assembleTag(header, frames, padding, bytes);
    KW5Tag::releaseFrameBuffers(frames);
    if (result != KW5_FILE_RET_OK)
        return result;
    void* block = kw5platform::taskMemAlloc(bytes.size());
    if (block == nullptr)
        return KW5_FILE_RET_OUT_OF_MEMORY;
    std::memcpy(block, bytes.data(), bytes.size());
    image = static_cast<unsigned char*>(block);
    length = static_cast<ULONG>(bytes.size());
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5File::makeBareTagImage(const KW5Tag& tag, const KW5SerializedFrames& frames,
                                        std::vector<unsigned char>& image) const {
    KW5TagHeader header;
    _KW5_FILE_RET result = tagHeaderOf(tag, header);
    if (result != KW5_FILE_RET_OK)
        return result;
    std::vector<unsigned char> bytes;
    result = assembleTag(header, frames, endsWithEmptyFrame(frames) ? 1 : 0, bytes);
    if (result != KW5_FILE_RET_OK)
        return result;
    image.swap(bytes);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5File::writeHeld(kw5storage::KW5HeldTarget& held, const KW5WString& target) {
    KW5WString temporary;
    _KW5_FILE_RET result = kw5storage::makeTemporaryPath(target, temporary);
    if (result != KW5_FILE_RET_OK)
        return result;
    if (held.exists() && newTagLength() != 0 && newTagLength() == held.tagSize())
        return writeInPlace(held, target);
    return remake(held, temporary, target);
}

_KW5_FILE_RET KW5File::writeInPlace(kw5storage::KW5HeldTarget& held, const KW5WString& target) {
    _KW5_FILE_RET result = KW5_FILE_RET_OK;
    kw5platform::File& file = held.file();
    if (!file.seek(0))
        result = KW5_FILE_RET_FILE_ACCESS_ERROR;
    // Written like WriteFile, without forcing it to disk: an overwrite in
    // place cannot be made atomic by a flush, and the flush would cost a
    // disk round trip (milliseconds) for a few kilobytes of tag.
    else if (!writeNewTag(file))
        result = KW5_FILE_RET_FILE_WRITE_ERROR;
    if (result != KW5_FILE_RET_OK) {
        writeLog("writeFile(overwrite) writeFileAdd Failed %d path = %S",
                 static_cast<int>(kw5platform::lastError()), target.c_str());
    }
    return result;
}

_KW5_FILE_RET KW5File::remake(kw5storage::KW5HeldTarget& held, const KW5WString& temporaryPath,
                              const KW5WString& target) {
    const ULONG oldSize = held.exists() ? held.tagSize() : 0;
    const ULONG newSize = newTagLength();
    const uint64_t audio = held.fileSize() > oldSize ? held.fileSize() - oldSize : 0;
    _KW5_FILE_RET result =
        kw5storage::checkFreeTempSpaceFor(held.fileSize(), temporaryPath, oldSize, newSize);
    if (result != KW5_FILE_RET_OK) {
        writeLog("writeFile(remake) Source: checkFreeTempSpace failed path = %S", target.c_str());
        return result;
    }

    // The temporary copy: created exclusively, never through a planted
    // link; when the name is taken another one is drawn. It is removed on
    // every way out unless it took the target's place.
    kw5storage::KW5ScratchFile temporary;
    if (!temporary.create(temporaryPath))
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    kw5platform::File& file = temporary.file();
    if (newSize != 0 && !writeNewTag(file))
        result = KW5_FILE_RET_FILE_WRITE_ERROR;
    // The audio comes from the held target itself, from the offset that
    // was read while holding it.
    if (result == KW5_FILE_RET_OK && held.exists() && audio != 0) {
        if (!held.file().seek(oldSize))
            result = KW5_FILE_RET_FILE_ACCESS_ERROR;
        else
            result = kw5storage::copyRest(held.file(), file, kw5platform::SourceCache::Release);
    }
    if (result == KW5_FILE_RET_OK && !file.flush())
        result = KW5_FILE_RET_FILE_WRITE_ERROR;
    if (result != KW5_FILE_RET_OK)
        return result;

    result = kw5storage::checkFreeDestSpaceFor(uint64_t(newSize) + audio, temporary.path(), target);
    if (result != KW5_FILE_RET_OK) {
        writeLog("writeFile(remake)Dest: checkFreeTempSpace failed path = %S", target.c_str());
        return result;
    }
    switch (kw5storage::replaceTarget(held, temporary, uint64_t(newSize) + audio, target)) {
    case kw5storage::ReplaceOutcome::Replaced:
    case kw5storage::ReplaceOutcome::WrittenThrough:
        return KW5_FILE_RET_OK;
    case kw5storage::ReplaceOutcome::Damaged:
        return KW5_FILE_RET_FILE_WRITE_ERROR;
    case kw5storage::ReplaceOutcome::Untouched:
        break;
    }
    writeLog("writeFile(remake) CopyFile Failed %d", static_cast<int>(kw5platform::lastError()));
    return KW5_FILE_RET_FAILED;
}

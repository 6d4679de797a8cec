// The reading side of KW5File.
#include "storage/KW5File.h"

#include "platform/File.h"
#include "storage/KW5FileOpen.h"
#include "storage/KW5SpareBuffer.h"
#include "storage/KW5TagPieces.h"
#include "tag/KW5Tag.h"
#include "tag/KW5TagHeader.h"

#include <algorithm>
#include <new>

KW5File::KW5File() {}

KW5File::~KW5File() {
    kw5storage::parkSpareBuffer(buffer_);
}

_KW5_FILE_RET KW5File::read(const KW5WString& path, LONG /*openMode*/) {
    // The image is read into stale bytes (this object's from an earlier
    // read, or the spare buffer's): every byte kept is overwritten, and none
    // is zero-filled first. The buffer is empty until the read succeeds.
    std::vector<unsigned char> image;
    image.swap(buffer_);
    if (path.empty())
        return KW5_FILE_RET_EMPTY_PATH;
    // One open serves the header and the tag: open, read 10 bytes, read the
    // rest of the tag, close. The existence test is made only when the open
    // fails, where it tells a missing file from one that cannot be opened.
    kw5platform::File file;
    if (!kw5storage::openWithRetry(file, path, kw5platform::OpenPurpose::ReadShareRead)) {
        const uint32_t error = kw5platform::lastError();
        if (!fileExists(path))
            return kw5storage::errorMeansMissing(kw5platform::lastError())
                       ? KW5_FILE_RET_OK
                       : KW5_FILE_RET_FILE_NOT_FOUND;
        kw5platform::setLastError(error);
        return kw5storage::errorMeansMissing(error) ? KW5_FILE_RET_OK
                                                    : KW5_FILE_RET_FILE_ACCESS_ERROR;
    }
    unsigned char header[KW5TagHeader::kLength];
    uint32_t got = 0;
    if (!file.read(header, KW5TagHeader::kLength, got))
        return kw5storage::errorMeansMissing(kw5platform::lastError())
                   ? KW5_FILE_RET_OK
                   : KW5_FILE_RET_FILE_ACCESS_ERROR;
    const ULONG size = KW5TagHeader::tagSizeOf(header, got);
    if (size == 0)
        return KW5_FILE_RET_OK;
    uint64_t fileSize = 0;
    if (!file.openedSize(fileSize))
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    // The header may announce up to 256 MiB; never hold more than the file
    // has. A short file keeps the bytes that are there, and only those are
    // parsed later.
    const ULONG wanted = static_cast<ULONG>(
        std::max<uint64_t>(KW5TagHeader::kLength, std::min<uint64_t>(size, fileSize)));
    kw5storage::takeSpareBuffer(image, wanted);
    try {
        image.resize(wanted);
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    std::copy(header, header + KW5TagHeader::kLength, image.begin());
    if (!file.read(image.data() + KW5TagHeader::kLength, wanted - KW5TagHeader::kLength, got))
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    image.resize(KW5TagHeader::kLength + got);
    buffer_.swap(image);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5File::setImage(const unsigned char* bytes, ULONG length) {
    buffer_.clear();
    if (length == 0)
        return KW5_FILE_RET_OK;
    if (bytes == nullptr)
        return KW5_FILE_RET_NULL_POINTER;
    try {
        buffer_.assign(bytes, bytes + length);
    } catch (const std::bad_alloc&) {
        buffer_.clear();
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5File::loadTag(KW5Tag& tag) {
    if (buffer_.empty())
        return tag.load(nullptr, 0);
    // When the last frame lets go of the image, its storage is parked as
    // the spare buffer for the next read.
    std::shared_ptr<std::vector<unsigned char>> image;
    try {
        image.reset(new std::vector<unsigned char>(), [](std::vector<unsigned char>* bytes) {
            kw5storage::parkSpareBuffer(*bytes);
            delete bytes;
        });
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    image->swap(buffer_);
    return tag.load(image->data(), static_cast<ULONG>(image->size()), image);
}

_KW5_FILE_RET KW5File::copyBuffer(std::vector<unsigned char>& bytes, ULONG& length) const {
    try {
        bytes = buffer_;
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    length = bufferLength();
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5File::getTagSizeOnDisk(const KW5WString& path, ULONG& size) {
    size = 0;
    if (path.empty())
        return KW5_FILE_RET_EMPTY_PATH;
    unsigned char header[KW5TagHeader::kLength];
    ULONG got = 0;
    _KW5_FILE_RET result = readAt(path, header, got, KW5TagHeader::kLength, 0);
    if (result != KW5_FILE_RET_OK)
        return kw5storage::errorMeansMissing(kw5platform::lastError()) ? KW5_FILE_RET_OK : result;
    size = KW5TagHeader::tagSizeOf(header, got);
    return KW5_FILE_RET_OK;
}

bool KW5File::fileExists(const KW5WString& path) {
    return kw5platform::findFile(path);
}

_KW5_FILE_RET KW5File::checkFileWritable(const KW5WString& path) {
    switch (kw5platform::fileAttributes(path)) {
    case kw5platform::Attributes::Missing:
    case kw5platform::Attributes::Normal:
        return KW5_FILE_RET_OK;
    case kw5platform::Attributes::ReadOnly:
        return KW5_FILE_RET_FILE_READ_ONLY;
    case kw5platform::Attributes::Unreadable:
        break;
    }
    return KW5_FILE_RET_FAILED;
}

_KW5_FILE_RET KW5File::readAt(const KW5WString& path, void* buffer, ULONG& got, ULONG count,
                              uint64_t position) {
    got = 0;
    if (buffer == nullptr)
        return KW5_FILE_RET_NULL_POINTER;
    if (!fileExists(path))
        return KW5_FILE_RET_FILE_NOT_FOUND;
    kw5platform::File file;
    if (!kw5storage::openWithRetry(file, path, kw5platform::OpenPurpose::ReadShareRead))
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    uint32_t n = 0;
    if (!file.seek(position) || !file.read(buffer, count, n))
        return KW5_FILE_RET_FILE_ACCESS_ERROR;
    got = n;
    return KW5_FILE_RET_OK;
}

#include "fields/KW5FieldBase.h"

#include "fields/KW5BodyWriter.h"
#include "platform/CodePage.h"

#include <cstring>
#include <new>

KW5FieldBase::KW5FieldBase() {}

KW5FieldBase::~KW5FieldBase() {
    // Not virtual dispatch: a derived codec's state is gone by now.
    KW5FieldBase::clear();
}

_KW5_FILE_RET KW5FieldBase::convertToUtf16BE(const std::string&, const unsigned char*, ULONG,
                                             std::vector<unsigned char>&) {
    return KW5_FILE_RET_NOT_IMPLEMENTED;
}

_KW5_FILE_RET KW5FieldBase::getData(unsigned char* destination, ULONG size) const {
    if (buffer_.empty() || size == 0)
        return KW5_FILE_RET_OK;
    if (!destination)
        return KW5_FILE_RET_NULL_POINTER;
    // Never read past the held body, whatever size the caller believes in.
    if (size > buffer_.size())
        return KW5_FILE_RET_INVALID_PARAMETER;
    std::memcpy(destination, buffer_.data(), size);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FieldBase::getSize(ULONG& size) const {
    size = static_cast<ULONG>(buffer_.size());
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FieldBase::decode(KW5FieldInfo&, ULONG&) {
    return KW5_FILE_RET_NOT_IMPLEMENTED;
}

void KW5FieldBase::clear() {
    buffer_.clear();
    buffer_.shrink_to_fit();
}

bool KW5FieldBase::allocateBuffer(size_t size) {
    clear();
    // Body sizes are 32-bit everywhere they are stored.
    if (size != static_cast<ULONG>(size))
        return false;
    try {
        buffer_.assign(size, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

_KW5_FILE_RET KW5FieldBase::setData(const unsigned char* bytes, ULONG size) {
    clear();
    if (size == 0)
        return KW5_FILE_RET_OK;
    if (!bytes)
        return KW5_FILE_RET_NULL_POINTER;
    try {
        buffer_.assign(bytes, bytes + size);
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FieldBase::encodeUserFrame(KW5FieldInfo& record) {
    clear();
    const unsigned char encoding = record.encoding();
    const std::string& description = record.description();
    if (encoding == 1 || encoding == 2)
        return writeUserUnicode(encoding, description, record.value());
    if (encoding != 0)
        return KW5_FILE_RET_BAD_LAYOUT;
    if (description.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    std::string narrowValue;
    if (!kw5platform::convertToNarrow(record.value(), narrowValue))
        return KW5_FILE_RET_BUFFER_ERROR;
    return writeBody(
        [&](KW5BodyWriter& writer) {
            writer.appendByte(0x00);
            writer.writeNarrowText(description);
            writer.appendBytes(narrowValue);
        },
        KW5_FILE_RET_BUFFER_ERROR);
}

_KW5_FILE_RET KW5FieldBase::writeUserUnicode(unsigned char, const std::string&, const KW5WString&) {
    return KW5_FILE_RET_NOT_IMPLEMENTED;
}

_KW5_FILE_RET KW5FieldBase::wideDescription(const std::string& description, KW5WString& wide) {
    if (!kw5platform::convertToWide(description, wide))
        return KW5_FILE_RET_BUFFER_ERROR;
    return wide.empty() ? KW5_FILE_RET_INVALID_PARAMETER : KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5FieldBase::handOut(_KW5_FILE_RET written, std::vector<unsigned char>& newBody) {
    if (written == KW5_FILE_RET_OK)
        newBody = buffer_;
    return written;
}

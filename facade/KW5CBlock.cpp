#include "facade/KW5CBlock.h"

#include "kw5/CKW5VorletLib.h"
#include "platform/TaskMem.h"

#include <cstdint>
#include <cstring>

KW5CBlock::~KW5CBlock() {
    kw5platform::taskMemFree(block_);
}

size_t KW5CBlock::reserve(size_t count, size_t align) {
    const size_t start = (size_ + align - 1) & ~(align - 1);
    if (start < size_ || count > SIZE_MAX - start) {
        overflow_ = true;
        return 0;
    }
    size_ = start + count;
    return start;
}

size_t KW5CBlock::reserveText(const KW5WString& text) {
    if (text.size() >= SIZE_MAX / sizeof(kw5_char16)) {
        overflow_ = true;
        return 0;
    }
    return reserve((text.size() + 1) * sizeof(kw5_char16), alignof(kw5_char16));
}

_KW5_FILE_RET KW5CBlock::allocate() {
    if (overflow_)
        return KW5_FILE_RET_OUT_OF_MEMORY;
    void* fresh = kw5platform::taskMemAlloc(size_ == 0 ? 1 : size_);
    if (fresh == nullptr)
        return KW5_FILE_RET_OUT_OF_MEMORY;
    kw5platform::taskMemFree(block_);
    block_ = static_cast<unsigned char*>(fresh);
    std::memset(block_, 0, size_);
    return KW5_FILE_RET_OK;
}

const kw5_char16* KW5CBlock::putText(size_t offset, const KW5WString& text) {
    kw5_char16* out = at<kw5_char16>(offset);
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = static_cast<kw5_char16>(text[i]);
    out[text.size()] = 0;
    return out;
}

unsigned char* KW5CBlock::release() {
    unsigned char* block = block_;
    block_ = nullptr;
    return block;
}

bool kw5HostText(const kw5_char16* text, int32_t length, KW5WString& out) {
    if (length < KW5_NUL_TERMINATED)
        return false;
    if (text == nullptr) {
        out.clear();
        return length == 0;
    }
    size_t count = static_cast<size_t>(length);
    if (length == KW5_NUL_TERMINATED) {
        count = 0;
        while (text[count] != 0)
            ++count;
    }
    out.assign(text, text + count);
    return true;
}

bool kw5HostIdAndDesc(const kw5_char16* id, const kw5_char16* desc, KW5WString& wideId,
                      KW5WString& wideDesc) {
    return kw5HostText(id, KW5_NUL_TERMINATED, wideId) &&
           kw5HostText(desc, KW5_NUL_TERMINATED, wideDesc);
}

_KW5_FILE_RET kw5OutString(const KW5WString& text, kw5_char16*& out) {
    KW5CBlock block;
    const size_t at = block.reserveText(text);
    _KW5_FILE_RET result = block.allocate();
    if (result != KW5_FILE_RET_OK)
        return result;
    block.putText(at, text);
    out = reinterpret_cast<kw5_char16*>(block.release());
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET kw5OutStringList(const std::vector<KW5WString>& texts, KW5StringList*& out) {
    KW5CBlock block;
    const size_t head = block.reserve(sizeof(KW5StringList), alignof(KW5String));
    const size_t items = block.reserve(sizeof(KW5String) * texts.size(), alignof(KW5String));
    std::vector<size_t> textAt;
    textAt.reserve(texts.size());
    for (const KW5WString& text : texts)
        textAt.push_back(block.reserveText(text));
    _KW5_FILE_RET result = block.allocate();
    if (result != KW5_FILE_RET_OK)
        return result;
    KW5String* strings = block.at<KW5String>(items);
    for (size_t i = 0; i < texts.size(); ++i) {
        strings[i].text = block.putText(textAt[i], texts[i]);
        strings[i].length = static_cast<int32_t>(texts[i].size());
    }
    KW5StringList* list = block.at<KW5StringList>(head);
    list->count = static_cast<uint32_t>(texts.size());
    list->items = strings;
    out = reinterpret_cast<KW5StringList*>(block.release());
    return KW5_FILE_RET_OK;
}

namespace {

// Reserves one record's parts: (mime type text, data) offsets.
struct BinaryParts {
    size_t mimeType;
    size_t data;
};

BinaryParts reserveBinary(KW5CBlock& block, const _StructBinVal& record) {
    BinaryParts parts;
    parts.mimeType = block.reserveText(record.mimeType);
    parts.data = block.reserve(record.dataSize, 1);
    return parts;
}

void putBinary(KW5CBlock& block, const BinaryParts& parts, const _StructBinVal& record,
               KW5Binary& out) {
    out.mimeType.text = block.putText(parts.mimeType, record.mimeType);
    out.mimeType.length = static_cast<int32_t>(record.mimeType.size());
    unsigned char* data = block.at<unsigned char>(parts.data);
    if (record.dataSize != 0)
        std::memcpy(data, record.data, record.dataSize);
    out.data = data;
    out.dataSize = record.dataSize;
}

} // namespace

_KW5_FILE_RET kw5OutBinaries(const std::vector<const _StructBinVal*>& records,
                             KW5BinaryList*& out) {
    KW5CBlock block;
    const size_t head = block.reserve(sizeof(KW5BinaryList), alignof(KW5Binary));
    const size_t items = block.reserve(sizeof(KW5Binary) * records.size(), alignof(KW5Binary));
    std::vector<BinaryParts> parts;
    parts.reserve(records.size());
    for (const _StructBinVal* record : records)
        parts.push_back(reserveBinary(block, *record));
    _KW5_FILE_RET result = block.allocate();
    if (result != KW5_FILE_RET_OK)
        return result;
    KW5Binary* binaries = block.at<KW5Binary>(items);
    for (size_t i = 0; i < records.size(); ++i)
        putBinary(block, parts[i], *records[i], binaries[i]);
    KW5BinaryList* list = block.at<KW5BinaryList>(head);
    list->count = static_cast<uint32_t>(records.size());
    list->items = binaries;
    out = reinterpret_cast<KW5BinaryList*>(block.release());
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET kw5OutBinary(const _StructBinVal& record, KW5Binary*& out) {
    KW5CBlock block;
    const size_t head = block.reserve(sizeof(KW5Binary), alignof(KW5Binary));
    const BinaryParts parts = reserveBinary(block, record);
    _KW5_FILE_RET result = block.allocate();
    if (result != KW5_FILE_RET_OK)
        return result;
    KW5Binary* binary = block.at<KW5Binary>(head);
    putBinary(block, parts, record, *binary);
    out = reinterpret_cast<KW5Binary*>(block.release());
    return KW5_FILE_RET_OK;
}

// One task-allocator block laid out in two passes: first every part is
// reserved (its offset recorded), then the block is allocated once and the
// parts are filled in place. The C interface hands lists out this way, so
// that the host frees a whole list, texts included, with one call.
#ifndef KW5_FACADE_KW5CBLOCK_H
#define KW5_FACADE_KW5CBLOCK_H

#include "facade/KW5FileRet.h"
#include "kw5/kw5vorlet.h"
#include "platform/Types.h"

#include <cstddef>
#include <vector>

struct _StructBinVal;

class KW5CBlock {
public:
    KW5CBlock() = default;
    ~KW5CBlock();
    KW5CBlock(const KW5CBlock&) = delete;
    KW5CBlock& operator=(const KW5CBlock&) = delete;

    // The offset of count bytes aligned to align (a power of two).
    size_t reserve(size_t count, size_t align);
    // The offset of a NUL-terminated copy of text.
    size_t reserveText(const KW5WString& text);
    // KW5_FILE_RET_OUT_OF_MEMORY when the allocator refuses or the size
    // overflowed while reserving.
    _KW5_FILE_RET allocate();

    template <typename T> T* at(size_t offset) { return reinterpret_cast<T*>(block_ + offset); }
    // Copies text and its NUL to offset; returns the copy.
    const kw5_char16* putText(size_t offset, const KW5WString& text);
    // The block passes to the caller.
    unsigned char* release();

private:
    unsigned char* block_ = nullptr;
    size_t size_ = 0;
    bool overflow_ = false;
};

// Host text to a library string: length KW5_NUL_TERMINATED reads up to the
// first NUL. False for a NULL text with a length other than 0, or a length
// below KW5_NUL_TERMINATED.
bool kw5HostText(const kw5_char16* text, int32_t length, KW5WString& out);
// A frame id and a description, both NUL-terminated.
bool kw5HostIdAndDesc(const kw5_char16* id, const kw5_char16* desc, KW5WString& wideId,
                      KW5WString& wideDesc);

// Output blocks of the C interface; each answers KW5_FILE_RET_OK or
// KW5_FILE_RET_OUT_OF_MEMORY and sets its output only on success.
_KW5_FILE_RET kw5OutString(const KW5WString& text, kw5_char16*& out);
_KW5_FILE_RET kw5OutStringList(const std::vector<KW5WString>& texts, KW5StringList*& out);
// A list of count records, or with single set one KW5Binary block.
_KW5_FILE_RET kw5OutBinaries(const std::vector<const _StructBinVal*>& records, KW5BinaryList*& out);
_KW5_FILE_RET kw5OutBinary(const _StructBinVal& record, KW5Binary*& out);

#endif

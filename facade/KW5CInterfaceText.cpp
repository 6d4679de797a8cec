// The C interface: text values by index pair, by frame id and description,
// and the frame flags.
#include "kw5/kw5vorlet.h"

#include "facade/KW5CBlock.h"
#include "facade/KW5CGuard.h"
#include "facade/KW5CHandle.h"
#include "facade/KW5ErrorReturnHRESULT.h"
#include "platform/TaskMem.h"

#include <cstring>
#include <vector>

namespace {

bool hostList(const KW5String* values, uint32_t count, std::vector<KW5WString>& out) {
    if (values == nullptr && count != 0)
        return false;
    out.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        if (!kw5HostText(values[i].text, values[i].length, out[i]))
            return false;
    return true;
}

// The values found become a list block; nothing found leaves *out NULL.
LONG giveList(LONG hr, const std::vector<KW5WString>& values, KW5StringList** out) {
    if (hr < 0 || values.empty())
        return hr;
    _KW5_FILE_RET made = kw5OutStringList(values, *out);
    return made == KW5_FILE_RET_OK ? hr : KW5ErrorReturnHRESULT(made);
}

LONG giveString(LONG hr, const KW5WString& value, kw5_char16** out, int32_t* length) {
    if (hr != 0)
        return hr;
    _KW5_FILE_RET made = kw5OutString(value, *out);
    if (made != KW5_FILE_RET_OK)
        return KW5ErrorReturnHRESULT(made);
    if (length != nullptr)
        *length = static_cast<int32_t>(value.size());
    return hr;
}

} // namespace

kw5_hresult KW5_CALL KW5LibGetString(KW5Lib* lib, int32_t frameIndex, int32_t descIndex,
                                     KW5StringList** values) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        if (values == nullptr)
            return KW5_E_POINTER;
        *values = nullptr;
        std::vector<KW5WString> found;
        return giveList(self.GetString(frameIndex, descIndex, found), found, values);
    });
}

kw5_hresult KW5_CALL KW5LibPutString(KW5Lib* lib, int32_t frameIndex, int32_t descIndex,
                                     const KW5String* values, uint32_t count, int32_t encoding,
                                     uint8_t flags) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        std::vector<KW5WString> texts;
        if (!hostList(values, count, texts))
            return KW5_E_POINTER;
        const unsigned char frameFlags = flags;
        return self.PutString(frameIndex, descIndex, texts, encoding, frameFlags);
    });
}

kw5_hresult KW5_CALL KW5LibGetFrameFlag(KW5Lib* lib, int32_t frameIndex, int32_t descIndex,
                                        uint16_t** flags, uint32_t* count) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        if (flags == nullptr || count == nullptr)
            return KW5_E_POINTER;
        *flags = nullptr;
        *count = 0;
        std::vector<unsigned short> found;
        LONG hr = self.GetFrameFlag(frameIndex, descIndex, found);
        if (hr < 0 || found.empty())
            return hr;
        void* block = kw5platform::taskMemAlloc(found.size() * sizeof(uint16_t));
        if (block == nullptr)
            return KW5_E_OUTOFMEMORY;
        std::memcpy(block, found.data(), found.size() * sizeof(uint16_t));
        *flags = static_cast<uint16_t*>(block);
        *count = static_cast<uint32_t>(found.size());
        return hr;
    });
}

kw5_hresult KW5_CALL KW5LibGetPropertyFromDesc(KW5Lib* lib, const kw5_char16* id,
                                               const kw5_char16* desc, kw5_char16** value,
                                               int32_t* length) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        KW5WString wideId;
        KW5WString wideDesc;
        if (value == nullptr || !kw5HostIdAndDesc(id, desc, wideId, wideDesc))
            return KW5_E_POINTER;
        *value = nullptr;
        KW5WString found;
        return giveString(self.GetPropertyFromDesc(wideId, wideDesc, found), found, value, length);
    });
}

kw5_hresult KW5_CALL KW5LibPutPropertyFromDesc(KW5Lib* lib, const kw5_char16* id,
                                               const kw5_char16* desc, const kw5_char16* value,
                                               int32_t length, uint8_t flags) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        KW5WString wideId;
        KW5WString wideDesc;
        KW5WString text;
        if (!kw5HostIdAndDesc(id, desc, wideId, wideDesc) || !kw5HostText(value, length, text))
            return KW5_E_POINTER;
        const unsigned char frameFlags = flags;
        return self.PutPropertyFromDesc(wideId, wideDesc, text, frameFlags);
    });
}

kw5_hresult KW5_CALL KW5LibSeekPropertyFromDesc(KW5Lib* lib, const kw5_char16* path,
                                                const kw5_char16* id, const kw5_char16* desc,
                                                kw5_char16** value, int32_t* length) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        KW5WString widePath;
        KW5WString wideId;
        KW5WString wideDesc;
        if (value == nullptr || !kw5HostText(path, KW5_NUL_TERMINATED, widePath) ||
            !kw5HostIdAndDesc(id, desc, wideId, wideDesc))
            return KW5_E_POINTER;
        *value = nullptr;
        KW5WString found;
        return giveString(self.SeekPropertyFromDesc(widePath, wideId, wideDesc, found), found,
                          value, length);
    });
}

kw5_hresult KW5_CALL KW5LibGetPropertyFromId(KW5Lib* lib, const kw5_char16* id,
                                             KW5StringList** values) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        KW5WString wideId;
        if (values == nullptr || !kw5HostText(id, KW5_NUL_TERMINATED, wideId))
            return KW5_E_POINTER;
        *values = nullptr;
        std::vector<KW5WString> found;
        return giveList(self.GetPropertyFromId(wideId, found), found, values);
    });
}

kw5_hresult KW5_CALL KW5LibPutPropertyFromId(KW5Lib* lib, const kw5_char16* id,
                                             const KW5String* values, uint32_t count,
                                             uint8_t flags) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        KW5WString wideId;
        std::vector<KW5WString> texts;
        if (!kw5HostText(id, KW5_NUL_TERMINATED, wideId) || !hostList(values, count, texts))
            return KW5_E_POINTER;
        const unsigned char frameFlags = flags;
        return self.PutPropertyFromId(wideId, texts, frameFlags);
    });
}

kw5_hresult KW5_CALL KW5LibSeekPropertyFromId(KW5Lib* lib, const kw5_char16* path,
                                              const kw5_char16* id, KW5StringList** values) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        KW5WString widePath;
        KW5WString wideId;
        if (values == nullptr || !kw5HostText(path, KW5_NUL_TERMINATED, widePath) ||
            !kw5HostText(id, KW5_NUL_TERMINATED, wideId))
            return KW5_E_POINTER;
        *values = nullptr;
        std::vector<KW5WString> found;
        return giveList(self.SeekPropertyFromId(widePath, wideId, found), found, values);
    });
}

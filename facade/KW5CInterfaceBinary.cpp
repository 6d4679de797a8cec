// The C interface: binary objects, the unknown-frame blob and the object
// tag images.
#include "kw5/kw5vorlet.h"

#include "facade/KW5CBlock.h"
#include "facade/KW5CGuard.h"
#include "facade/KW5CHandle.h"
#include "facade/KW5ErrorReturnHRESULT.h"
#include "facade/KW5HostBlocks.h"
#include "platform/TaskMem.h"

#include <memory>
#include <vector>

namespace {

// Records the class owns once it has them: data from the task allocator,
// the record from new. Whatever is still held here is released at the end.
class OwnedRecords {
public:
    OwnedRecords() = default;
    ~OwnedRecords() {
        for (_StructBinVal* record : records) {
            kw5platform::taskMemFree(record->data);
            delete record;
        }
    }
    OwnedRecords(const OwnedRecords&) = delete;
    OwnedRecords& operator=(const OwnedRecords&) = delete;

    std::vector<_StructBinVal*> records;
};

// One record with its data in a task-allocator block (never NULL: the class
// skips records without data when it releases them).
_KW5_FILE_RET ownedRecord(const KW5Binary& from, OwnedRecords& owned) {
    KW5WString mimeType;
    if (!kw5HostText(from.mimeType.text, from.mimeType.length, mimeType) ||
        (from.data == nullptr && from.dataSize != 0))
        return KW5_FILE_RET_NULL_POINTER;
    std::unique_ptr<_StructBinVal> record(new _StructBinVal());
    record->data = nullptr;
    record->dataSize = from.dataSize;
    record->mimeType = mimeType;
    static const unsigned char kNothing = 0;
    _KW5_FILE_RET made = from.dataSize != 0
                             ? makeTaskMemBlock(from.data, from.dataSize, record->data)
                             : makeTaskMemBlock(&kNothing, 1, record->data);
    if (made != KW5_FILE_RET_OK)
        return made;
    owned.records.reserve(owned.records.size() + 1);
    owned.records.push_back(record.release());
    return KW5_FILE_RET_OK;
}

// A record of the host's bytes, read only by the class (no copy).
bool borrowedRecord(const KW5Binary& from, _StructBinVal& record) {
    if (!kw5HostText(from.mimeType.text, from.mimeType.length, record.mimeType) ||
        (from.data == nullptr && from.dataSize != 0))
        return false;
    record.data = const_cast<unsigned char*>(from.data);
    record.dataSize = from.dataSize;
    return true;
}

// Runs a class call that fills a host record, and hands the record out.
template <typename Call> LONG giveRecord(KW5Binary** value, Call call) {
    if (value == nullptr)
        return KW5_E_POINTER;
    *value = nullptr;
    _StructBinVal record;
    record.data = nullptr;
    record.dataSize = 0;
    struct Release {
        _StructBinVal& record;
        ~Release() { kw5platform::taskMemFree(record.data); }
    } release{record};
    _StructBinVal* target = &record;
    LONG hr = call(target);
    if (hr != 0)
        return hr;
    _KW5_FILE_RET made = kw5OutBinary(record, *value);
    return made == KW5_FILE_RET_OK ? hr : KW5ErrorReturnHRESULT(made);
}

} // namespace

kw5_hresult KW5_CALL KW5LibGetBinary(KW5Lib* lib, int32_t frameIndex, int32_t descIndex,
                                     KW5BinaryList** values) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        if (values == nullptr)
            return KW5_E_POINTER;
        *values = nullptr;
        OwnedRecords found;
        LONG hr = self.GetBinary(frameIndex, descIndex, found.records);
        if (hr < 0 || found.records.empty())
            return hr;
        std::vector<const _StructBinVal*> records(found.records.begin(), found.records.end());
        _KW5_FILE_RET made = kw5OutBinaries(records, *values);
        return made == KW5_FILE_RET_OK ? hr : KW5ErrorReturnHRESULT(made);
    });
}

kw5_hresult KW5_CALL KW5LibPutBinary(KW5Lib* lib, int32_t frameIndex, int32_t descIndex,
                                     const KW5Binary* values, uint32_t count, uint8_t flags) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        if (values == nullptr && count != 0)
            return KW5_E_POINTER;
        OwnedRecords owned;
        for (uint32_t i = 0; i < count; ++i) {
            _KW5_FILE_RET made = ownedRecord(values[i], owned);
            if (made != KW5_FILE_RET_OK)
                return made == KW5_FILE_RET_NULL_POINTER ? KW5_E_POINTER
                                                         : KW5ErrorReturnHRESULT(made);
        }
        const bool leftWithUs = self.putBinaryLeavesRecords(frameIndex, descIndex, count);
        const unsigned char frameFlags = flags;
        LONG hr = self.PutBinary(frameIndex, descIndex, owned.records, frameFlags);
        if (!leftWithUs)
            owned.records.clear();
        return hr;
    });
}

kw5_hresult KW5_CALL KW5LibGetBinaryFromDesc(KW5Lib* lib, const kw5_char16* id,
                                             const kw5_char16* desc, KW5Binary** value) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        KW5WString wideId;
        KW5WString wideDesc;
        if (!kw5HostIdAndDesc(id, desc, wideId, wideDesc))
            return KW5_E_POINTER;
        return giveRecord(value, [&](_StructBinVal*& target) {
            return self.GetBinaryFromDesc(wideId, wideDesc, target);
        });
    });
}

kw5_hresult KW5_CALL KW5LibPutBinaryFromDesc(KW5Lib* lib, const kw5_char16* id,
                                             const kw5_char16* desc, const KW5Binary* value,
                                             uint8_t flags) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        KW5WString wideId;
        KW5WString wideDesc;
        if (!kw5HostIdAndDesc(id, desc, wideId, wideDesc))
            return KW5_E_POINTER;
        _StructBinVal record;
        record.data = nullptr;
        record.dataSize = 0;
        if (value != nullptr && !borrowedRecord(*value, record))
            return KW5_E_POINTER;
        _StructBinVal* const target = value != nullptr ? &record : nullptr;
        const unsigned char frameFlags = flags;
        return self.PutBinaryFromDesc(wideId, wideDesc, target, frameFlags);
    });
}

kw5_hresult KW5_CALL KW5LibSeekBinaryFromDesc(KW5Lib* lib, const kw5_char16* path,
                                              const kw5_char16* id, const kw5_char16* desc,
                                              KW5Binary** value) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        KW5WString widePath;
        KW5WString wideId;
        KW5WString wideDesc;
        if (!kw5HostText(path, KW5_NUL_TERMINATED, widePath) ||
            !kw5HostIdAndDesc(id, desc, wideId, wideDesc))
            return KW5_E_POINTER;
        return giveRecord(value, [&](_StructBinVal*& target) {
            return self.SeekBinaryFromDesc(widePath, wideId, wideDesc, target);
        });
    });
}

kw5_hresult KW5_CALL KW5LibGetSDKUnknown(KW5Lib* lib, const KW5Property* known, uint32_t knownCount,
                                         unsigned char** blob, uint32_t* blobSize) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        if (blob == nullptr || blobSize == nullptr || (known == nullptr && knownCount != 0))
            return KW5_E_POINTER;
        *blob = nullptr;
        *blobSize = 0;
        std::vector<_StructProperty> properties(knownCount);
        std::vector<_StructProperty*> pointers(knownCount);
        for (uint32_t i = 0; i < knownCount; ++i) {
            properties[i].frameIndex = known[i].frameIndex;
            properties[i].descIndex = known[i].descIndex;
            pointers[i] = &properties[i];
        }
        unsigned char* out = nullptr;
        ULONG size = 0;
        LONG hr = self.GetSDKUnknown(pointers, out, size);
        if (hr >= 0) {
            *blob = out;
            *blobSize = size;
        } else {
            kw5platform::taskMemFree(out);
        }
        return hr;
    });
}

kw5_hresult KW5_CALL KW5LibPutSDKUnknown(KW5Lib* lib, const unsigned char* blob, int32_t blobSize) {
    return kw5Guard(lib, [&](KW5Lib& self) { return self.PutSDKUnknown(blob, blobSize); });
}

namespace {

LONG giveImage(LONG hr, unsigned char* made, LONG madeSize, unsigned char** image,
               int32_t* imageSize) {
    if (hr >= 0) {
        *image = made;
        *imageSize = static_cast<int32_t>(madeSize);
    } else {
        kw5platform::taskMemFree(made);
    }
    return hr;
}

} // namespace

kw5_hresult KW5_CALL KW5LibGetSimpleVorletVMKLSI(KW5Lib* lib, const unsigned char* object,
                                                 int32_t objectSize, unsigned char** image,
                                                 int32_t* imageSize) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        if (image == nullptr || imageSize == nullptr)
            return KW5_E_POINTER;
        *image = nullptr;
        *imageSize = 0;
        unsigned char* made = nullptr;
        LONG madeSize = 0;
        LONG hr = self.GetSimpleVorletVMKLSI(object, objectSize, &made, &madeSize);
        return giveImage(hr, made, madeSize, image, imageSize);
    });
}

kw5_hresult KW5_CALL KW5LibGetSimpleVorletVMKLSI_VMKOLINF(
    KW5Lib* lib, const unsigned char* object, int32_t objectSize, const unsigned char* secondObject,
    int32_t secondObjectSize, unsigned char** image, int32_t* imageSize) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        if (image == nullptr || imageSize == nullptr)
            return KW5_E_POINTER;
        *image = nullptr;
        *imageSize = 0;
        unsigned char* made = nullptr;
        LONG madeSize = 0;
        LONG hr = self.GetSimpleVorletVMKLSI_VMKOLINF(object, objectSize, secondObject,
                                                      secondObjectSize, &made, &madeSize);
        return giveImage(hr, made, madeSize, image, imageSize);
    });
}

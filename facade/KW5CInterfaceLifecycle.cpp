// The C interface: handles, blocks, the lifecycle calls, the frame listing
// and the layout-variant calls.
#include "kw5/kw5vorlet.h"

#include "facade/KW5CBlock.h"
#include "facade/KW5CGuard.h"
#include "facade/KW5CHandle.h"
#include "facade/KW5HostBlocks.h"
#include "platform/TaskMem.h"

#include <new>

void KW5_CALL KW5LibFree(void* block) {
    kw5platform::taskMemFree(block);
}

kw5_hresult KW5_CALL KW5LibCreate(KW5Lib** lib) {
    if (lib == nullptr)
        return KW5_E_POINTER;
    *lib = nullptr;
    try {
        *lib = new KW5Lib();
        return KW5_S_OK;
    } catch (...) {
        return KW5_E_OUTOFMEMORY;
    }
}

void KW5_CALL KW5LibDestroy(KW5Lib* lib) {
    delete lib;
}

kw5_hresult KW5_CALL KW5LibOpen(KW5Lib* lib, const kw5_char16* path, int32_t mode) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        KW5WString text;
        if (!kw5HostText(path, KW5_NUL_TERMINATED, text))
            return KW5_E_POINTER;
        LONG hr = self.Open(text, static_cast<LONG>(mode));
        if (hr >= 0)
            self.openedImage.clear();
        return hr;
    });
}

kw5_hresult KW5_CALL KW5LibOpenImage(KW5Lib* lib, const unsigned char* image, int32_t size) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        LONG hr = self.Open(image, static_cast<LONG>(size));
        if (hr >= 0)
            self.openedImage.assign(image, image + size);
        return hr;
    });
}

kw5_hresult KW5_CALL KW5LibUpdate(KW5Lib* lib, int32_t kind) {
    return kw5Guard(lib, [&](KW5Lib& self) { return self.Update(static_cast<LONG>(kind)); });
}

kw5_hresult KW5_CALL KW5LibClose(KW5Lib* lib, int32_t kind) {
    return kw5Guard(lib, [&](KW5Lib& self) { return self.Close(static_cast<LONG>(kind)); });
}

kw5_hresult KW5_CALL KW5LibGetId3TagSize(KW5Lib* lib, int32_t* size) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        if (size == nullptr)
            return KW5_E_POINTER;
        LONG value = 0;
        LONG hr = self.GetId3TagSize(&value);
        if (hr >= 0)
            *size = static_cast<int32_t>(value);
        return hr;
    });
}

kw5_hresult KW5_CALL KW5LibListFrames(KW5Lib* lib, KW5FrameInfoList** list) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        if (list == nullptr)
            return KW5_E_POINTER;
        *list = nullptr;
        return self.listFrames(*list);
    });
}

namespace {

template <typename Call>
kw5_hresult pathCall(KW5Lib* lib, const kw5_char16* path, int32_t kind, Call call) {
    return kw5Guard(lib, [&](KW5Lib& self) -> LONG {
        KW5WString text;
        if (!kw5HostText(path, KW5_NUL_TERMINATED, text))
            return KW5_E_POINTER;
        return (self.*call)(text, static_cast<LONG>(kind));
    });
}

} // namespace

kw5_hresult KW5_CALL KW5LibCheckFileFormat(KW5Lib* lib, const kw5_char16* path, int32_t kind) {
    return pathCall(lib, path, kind, &CKW5VorletLib::CheckFileFormat);
}

kw5_hresult KW5_CALL KW5LibFormatFile(KW5Lib* lib, const kw5_char16* path, int32_t kind) {
    return pathCall(lib, path, kind, &CKW5VorletLib::FormatFile);
}

kw5_hresult KW5_CALL KW5LibCheckAndFormatFile(KW5Lib* lib, const kw5_char16* path, int32_t kind) {
    return pathCall(lib, path, kind, &CKW5VorletLib::CheckAndFormatFile);
}

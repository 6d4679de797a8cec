// Text properties named by frame id ("TIT2", "WOAR", ...) and by frame id
// and description (the user frames "TXXX" and "WXXX"). Get and Put work on
// the open tag, Seek reads a file's tag directly without opening it.
//
// Frames written here always carry text encoding 2. As with the index
// operations, a Put is prepared on a copy of the tag that replaces the
// object's tag only when every frame is in place.
#include "kw5/CKW5VorletLib.h"

#include "facade/KW5ErrorReturnHRESULT.h"
#include "facade/KW5TagTransaction.h"
#include "kw5/HResult.h"
#include "platform/CodePage.h"
#include "tag/KW5Frame.h"
#include "tag/KW5FrameKinds.h"
#include "tag/KW5Tag.h"

#include <memory>

namespace {

const unsigned char kPropertyEncoding = 2;

using kw5kinds::isLinkFrame;
using kw5kinds::isUserFrame;

// Removes (frameId, desc) from tag; not found is no failure.
HRESULT removeProperty(KW5Tag& tag, const std::string& frameId, const std::string& desc,
                       LONG openMode, bool& removed) {
    _KW5_FILE_RET ret = tag.removeFramesById(frameId, desc, openMode);
    if (ret == KW5_FILE_RET_OK) {
        removed = true;
        return kw5::kS_OK;
    }
    if (ret == KW5_FILE_RET_NOT_FOUND)
        return kw5::kS_OK;
    return KW5ErrorReturnHRESULT(ret);
}

// Replaces what (frameId, desc) holds in the open tag by one frame per value
// (make builds it), on a copy that replaces the tag only when every frame is
// in; the tag counts as modified when anything was removed or added.
template <class Make>
HRESULT replaceProperty(std::unique_ptr<KW5Tag>& tag, int32_t& modified, LONG openMode,
                        const std::string& frameId, const std::string& desc,
                        const std::vector<KW5WString>& values, Make make) {
    KW5TagTransaction edit(tag, modified);
    bool changed = false;
    HRESULT hr = removeProperty(*tag, frameId, desc, openMode, changed);
    if (hr != kw5::kS_OK)
        return hr;
    for (const KW5WString& value : values) {
        KW5Frame frame;
        hr = make(value, frame);
        if (hr < 0)
            return hr;
        _KW5_FILE_RET ret = tag->addFrames(KW5FrameList(1, frame));
        if (ret != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(ret);
        changed = true;
    }
    if (changed) {
        modified = 1;
        edit.commit();
    }
    return kw5::kS_OK;
}

} // namespace

LONG CKW5VorletLib::GetPropertyFromId(const KW5WString& id, std::vector<KW5WString>& values) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        std::string frameId;
        if (!kw5platform::convertToNarrow(id, frameId))
            return kw5::kE_FAIL;
        KW5FrameList frames;
        _KW5_FILE_RET ret = tag->findFramesById(frameId, std::string(), frames);
        if (ret != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(ret);
        HRESULT hr = makeVWstr(frames, values);
        return hr < 0 ? hr : kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::GetPropertyFromDesc(const KW5WString& id, const KW5WString& desc,
                                        KW5WString& value) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        std::string frameId;
        std::string description;
        if (!kw5platform::convertToNarrow(id, frameId) ||
            !kw5platform::convertToNarrow(desc, description))
            return kw5::kE_FAIL;
        KW5FrameList frames;
        _KW5_FILE_RET ret = tag->findFramesById(frameId, description, frames);
        if (ret == KW5_FILE_RET_NOT_FOUND && frames.empty())
            return kw5::kS_FALSE;
        if (ret != KW5_FILE_RET_OK && ret != KW5_FILE_RET_NOT_FOUND)
            return kw5::kE_FAIL;
        std::vector<KW5WString> decoded;
        HRESULT hr = makeVWstr(frames, decoded);
        if (hr < 0)
            return hr;
        if (decoded.empty())
            return kw5::kS_FALSE;
        value = decoded.front();
        return kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::PutPropertyFromId(const KW5WString& id, const std::vector<KW5WString>& values,
                                      const unsigned char& flags) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        if (openMode == KW5_OPEN_READONLY)
            return KW5ErrorReturnHRESULT(KW5_FILE_RET_READ_ONLY);
        std::string frameId;
        if (!kw5platform::convertToNarrow(id, frameId))
            return kw5::kE_FAIL;
        // A longer id would be cut to its first four characters and replace
        // a frame the caller never named.
        if (frameId.size() != 4)
            return kw5::kE_INVALIDARG;
        if (!isLinkFrame(frameId) && values.size() >= 2)
            return KW5ErrorReturnHRESULT(KW5_FILE_RET_INVALID_PARAMETER);

        return replaceProperty(tag, modified, openMode, frameId, std::string(), values,
                               [&](KW5WString value, KW5Frame& frame) {
                                   checkFieldDataSize(frameId, value);
                                   return makeStringFrame(frameId, kPropertyEncoding, std::string(),
                                                          value, flags, frame);
                               });
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::PutPropertyFromDesc(const KW5WString& id, const KW5WString& desc,
                                        const KW5WString& value, const unsigned char& flags) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        if (openMode == KW5_OPEN_READONLY)
            return KW5ErrorReturnHRESULT(KW5_FILE_RET_READ_ONLY);
        std::string frameId;
        if (!kw5platform::convertToNarrow(id, frameId))
            return kw5::kE_FAIL;
        if (!isUserFrame(frameId))
            return kw5::kE_INVALIDARG;
        std::string description;
        if (!kw5platform::convertToNarrow(desc, description))
            return kw5::kE_FAIL;

        // An empty value only removes.
        const std::vector<KW5WString> values(value.empty() ? 0 : 1, value);
        return replaceProperty(tag, modified, openMode, frameId, description, values,
                               [&](KW5WString text, KW5Frame& frame) {
                                   checkFieldDataSize(frameId, text);
                                   return makeStringFrame(frameId, kPropertyEncoding, description,
                                                          text, flags, frame);
                               });
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::SeekPropertyFromId(const KW5WString& path, const KW5WString& id,
                                       std::vector<KW5WString>& values) {
    try {
        std::string frameId;
        if (!kw5platform::convertToNarrow(id, frameId))
            return kw5::kE_FAIL;
        KW5FrameList frames;
        _KW5_FILE_RET ret = KW5Tag::scanFileFrames(path, frameId, std::string(), frames);
        if (ret != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(ret);
        if (frames.empty())
            return kw5::kS_FALSE;
        HRESULT hr = makeVWstr(frames, values);
        return hr < 0 ? hr : kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::SeekPropertyFromDesc(const KW5WString& path, const KW5WString& id,
                                         const KW5WString& desc, KW5WString& value) {
    try {
        std::string frameId;
        std::string description;
        if (!kw5platform::convertToNarrow(id, frameId) ||
            !kw5platform::convertToNarrow(desc, description))
            return kw5::kE_FAIL;
        KW5FrameList frames;
        _KW5_FILE_RET ret = KW5Tag::scanFileFrames(path, frameId, description, frames);
        if (ret != KW5_FILE_RET_OK)
            return KW5ErrorReturnHRESULT(ret);
        if (frames.empty())
            return kw5::kS_FALSE;
        std::vector<KW5WString> decoded;
        HRESULT hr = makeVWstr(frames, decoded);
        if (hr < 0)
            return hr;
        value = decoded.front();
        return kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

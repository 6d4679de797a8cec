// Text values by (frame index, description index): GetString, PutString,
// GetFrameFlag and the helpers the other access methods share.
//
// A refused or failed Put or delete leaves the tag exactly as it was: a
// deletion refuses before it removes anything, and PutString works on a copy
// of the tag that replaces the object's tag only when every frame is in.
#include "kw5/CKW5VorletLib.h"

#include "facade/KW5ErrorReturnHRESULT.h"
#include "facade/KW5IdTables.h"
#include "facade/KW5TagTransaction.h"
#include "fields/KW5Field.h"
#include "fields/KW5FieldInfo.h"
#include "fields/KW5TextDecode.h"
#include "kw5/HResult.h"
#include "platform/CodePage.h"
#include "tag/KW5Frame.h"
#include "tag/KW5FrameHeader.h"
#include "tag/KW5FrameKinds.h"
#include "tag/KW5NumberedSeries.h"
#include "tag/KW5Tag.h"

#include <memory>

namespace {

// The longest text value a frame may carry, in UTF-16 code units.
const size_t kMaxValueUnits = 0x0FFFFFFF;

// Tests every member of a numbered series before any is removed: a member
// that carries the read-only flag (open mode other than 3) refuses the
// whole series, so a refusal never leaves the series half deleted.
_KW5_FILE_RET checkSeriesRemovable(const KW5Tag& tag, const std::string& frameId,
                                   const std::string& desc, const LONG& openMode) {
    return kw5series::walk(desc, [&](const std::string& numbered) {
        KW5FrameList members;
        _KW5_FILE_RET ret = tag.findFramesById(frameId, numbered, members);
        for (size_t i = 0;
             ret == KW5_FILE_RET_OK && openMode != KW5_OPEN_READWRITE_ALL && i < members.size();
             ++i) {
            const _KW5_FILE_RET state = members[i].readOnlyState();
            if (state != KW5_FILE_RET_WRITABLE)
                ret = state;
        }
        return ret;
    });
}

// Removes the frame(s) that (frameId, desc) names from tag, the whole series
// for a numbered description. removed tells whether a frame went. Not found
// is no failure. A refusal removes nothing: the store refuses a single key
// as a whole, and a series is tested member by member first.
HRESULT removeFromTag(KW5Tag& tag, const std::string& frameId, const std::string& desc,
                      const LONG& descIndex, const LONG& openMode, bool& removed) {
    if (!isNumberedDesc(descIndex)) {
        _KW5_FILE_RET ret = tag.removeFramesById(frameId, desc, openMode);
        if (ret == KW5_FILE_RET_OK)
            removed = true;
        if (ret == KW5_FILE_RET_OK || ret == KW5_FILE_RET_NOT_FOUND)
            return kw5::kS_OK;
        return KW5ErrorReturnHRESULT(ret);
    }
    _KW5_FILE_RET ret = checkSeriesRemovable(tag, frameId, desc, openMode);
    if (ret == KW5_FILE_RET_NOT_FOUND)
        ret = kw5series::walk(desc, [&](const std::string& numbered) {
            const _KW5_FILE_RET gone = tag.removeFramesById(frameId, numbered, openMode);
            removed = removed || gone == KW5_FILE_RET_OK;
            return gone;
        });
    return ret == KW5_FILE_RET_NOT_FOUND ? kw5::kS_OK : KW5ErrorReturnHRESULT(ret);
}

// Host string of one frame's value, by the encoding rules of the reader.
HRESULT decodeValue(const KW5Frame& frame, KW5WString& value) {
    KW5FrameHeader header;
    KW5Field field;
    _KW5_FILE_RET ret = frame.checkValueReadable();
    if (ret == KW5_FILE_RET_OK)
        ret = frame.splitFrame(header, field);
    if (ret != KW5_FILE_RET_OK)
        return KW5ErrorReturnHRESULT(ret);
    std::string frameId;
    ret = header.getId(frameId);
    if (ret != KW5_FILE_RET_OK)
        return KW5ErrorReturnHRESULT(ret);
    std::vector<unsigned char> payload;
    ret = field.getPayload(frameId, payload);
    if (ret != KW5_FILE_RET_OK)
        return KW5ErrorReturnHRESULT(ret);
    value.clear();
    if (payload.empty())
        return kw5::kS_OK;

    unsigned char encoding = 0;
    ret = field.getFirstByte(encoding);
    if (ret != KW5_FILE_RET_OK)
        return KW5ErrorReturnHRESULT(ret);
    const ULONG length = static_cast<ULONG>(payload.size());
    const bool marked = length >= 2 && ((payload[0] == 0xFF && payload[1] == 0xFE) ||
                                        (payload[0] == 0xFE && payload[1] == 0xFF));
    bool utf16 = marked;
    if (!marked && encoding == 2)
        utf16 = frameId[0] != 'W';
    if (utf16) {
        ret = kw5fields::decodeUtf16(payload.data(), length, value);
        return ret == KW5_FILE_RET_OK ? kw5::kS_OK : KW5ErrorReturnHRESULT(ret);
    }
    // URLs, encoding 0 and encodings without a rule of their own: narrow
    // text in the thread's ANSI code page.
    std::string narrow;
    ret = kw5fields::makeNarrowString(payload.data(), length, narrow);
    if (ret != KW5_FILE_RET_OK)
        return KW5ErrorReturnHRESULT(ret);
    if (!kw5platform::convertToWide(narrow, value))
        return kw5::kE_FAIL;
    return kw5::kS_OK;
}

} // namespace

int CKW5VorletLib::convertKw5Id(const LONG& frameIndex, const LONG& descIndex, std::string& frameId,
                                std::string& desc) {
    const char* id = frameIdFromIndex(frameIndex);
    if (id == nullptr)
        return 0;
    const KW5WChar* wideDesc = descFromIndex(descIndex);
    if (wideDesc == nullptr)
        return 0;
    std::string narrow;
    if (!kw5platform::convertToNarrow(KW5WString(wideDesc), narrow))
        return 0;
    frameId = id;
    desc = narrow;
    return 1;
}

int CKW5VorletLib::checkCanWriteFrame(const std::string& frameId, const std::string& desc) {
    if (openMode == KW5_OPEN_READWRITE_ALL)
        return 0;
    if (!desc.empty())
        return desc == "VMK_ASGTM" || desc == "VMK_SINFO" ? 1 : 0;
    return frameId == "TLEN" ? 1 : 0;
}

int CKW5VorletLib::checkReadOnlyFrame(const std::string& frameId, const std::string& desc) {
    return checkCanWriteFrame(frameId, desc);
}

LONG CKW5VorletLib::checkFieldDataSize(const std::string& /*frameId*/, KW5WString& value) {
    // One limit for every frame kind: what the tag's size field can carry.
    if (value.size() >= kMaxValueUnits)
        value.resize(kMaxValueUnits);
    return kw5::kS_OK;
}

LONG CKW5VorletLib::makeStringFrame(const std::string& frameId, const unsigned char& encoding,
                                    const std::string& desc, const KW5WString& value,
                                    const unsigned short& flags, KW5Frame& frame) {
    // Only text and URL frames have a text body. Any other id would get an
    // empty body that silently replaces the frame's data.
    if (frameId.empty() || (frameId[0] != 'T' && frameId[0] != 'W'))
        return KW5ErrorReturnHRESULT(KW5_FILE_RET_INVALID_PARAMETER);
    KW5FieldInfo record;
    record.setFrameId(frameId);
    record.setDescription(desc);
    record.setEncoding(encoding);
    record.setValue(value);

    KW5Field field;
    _KW5_FILE_RET ret = field.buildTextField(record);
    if (ret != KW5_FILE_RET_OK)
        return KW5ErrorReturnHRESULT(ret);
    ULONG bodySize = 0;
    ret = field.getSize(bodySize);
    if (ret != KW5_FILE_RET_OK)
        return KW5ErrorReturnHRESULT(ret);

    KW5FrameHeader header;
    ret = header.build(frameId, bodySize, flags);
    if (ret != KW5_FILE_RET_OK)
        return KW5ErrorReturnHRESULT(ret);
    ret = frame.setFrame(header, field);
    if (ret != KW5_FILE_RET_OK)
        return KW5ErrorReturnHRESULT(ret);
    return kw5::kS_OK;
}

LONG CKW5VorletLib::makeVWstr(const std::vector<KW5Frame>& frames,
                              std::vector<KW5WString>& values) {
    if (frames.empty())
        return kw5::kS_FALSE;
    // Decode everything first: a frame that fails adds nothing at all.
    std::vector<KW5WString> decoded;
    decoded.reserve(frames.size());
    for (const KW5Frame& frame : frames) {
        KW5WString value;
        HRESULT hr = decodeValue(frame, value);
        if (hr != kw5::kS_OK)
            return hr;
        decoded.push_back(std::move(value));
    }
    values.insert(values.end(), decoded.begin(), decoded.end());
    return kw5::kS_OK;
}

LONG CKW5VorletLib::deleteFrame(const std::string& frameId, const std::string& desc,
                                const LONG& descIndex) {
    if (!tag)
        return kw5::kE_FAIL;
    if (checkCanWriteFrame(frameId, desc) != 0)
        return KW5ErrorReturnHRESULT(KW5_FILE_RET_READ_ONLY);
    if (isSeriesWithoutKey(frameId, descIndex))
        return kw5::kE_INVALIDARG;
    bool removed = false;
    HRESULT hr = removeFromTag(*tag, frameId, desc, descIndex, openMode, removed);
    if (removed)
        modified = 1;
    return hr;
}

LONG CKW5VorletLib::deleteFrame(const std::string& frameId, const std::string& desc,
                                const LONG& descIndex, const LONG& openMode, KW5Tag& tag) {
    if (!isNumberedDesc(descIndex)) {
        // Whatever the tag answers: the frame is gone or was never there.
        tag.removeFramesById(frameId, desc, openMode);
        return kw5::kS_OK;
    }
    if (isSeriesWithoutKey(frameId, descIndex))
        return kw5::kE_INVALIDARG;
    bool removed = false;
    return removeFromTag(tag, frameId, desc, descIndex, openMode, removed);
}

LONG CKW5VorletLib::GetString(LONG frameIndex, LONG descIndex, std::vector<KW5WString>& values) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        std::string frameId;
        std::string desc;
        if (!convertKw5Id(frameIndex, descIndex, frameId, desc))
            return kw5::kE_FAIL;
        if (isSeriesWithoutKey(frameId, descIndex))
            return kw5::kE_INVALIDARG;

        KW5FrameList frames;
        const bool numbered = isNumberedDesc(descIndex);
        _KW5_FILE_RET found = kw5series::findNamed(*tag, frameId, desc, numbered, frames);
        if (found != kw5series::complete(numbered))
            return numbered ? kw5::kE_FAIL : KW5ErrorReturnHRESULT(found);
        if (frames.empty())
            return kw5::kS_FALSE;
        HRESULT hr = makeVWstr(frames, values);
        return hr < 0 ? hr : kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::PutString(LONG frameIndex, LONG descIndex,
                              const std::vector<KW5WString>& values, LONG encoding,
                              const unsigned char& flags) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        std::string frameId;
        std::string desc;
        if (!convertKw5Id(frameIndex, descIndex, frameId, desc))
            return kw5::kE_FAIL;
        if (openMode == KW5_OPEN_READONLY)
            return KW5ErrorReturnHRESULT(KW5_FILE_RET_READ_ONLY);
        const bool numbered = isNumberedDesc(descIndex);
        if (!numbered && !kw5kinds::isLinkFrame(frameId) && values.size() >= 2)
            return KW5ErrorReturnHRESULT(KW5_FILE_RET_INVALID_PARAMETER);
        if (checkCanWriteFrame(frameId, desc) != 0)
            return KW5ErrorReturnHRESULT(KW5_FILE_RET_READ_ONLY);
        if (isSeriesWithoutKey(frameId, descIndex))
            return kw5::kE_INVALIDARG;

        // Remove and add on a copy; the object's tag changes only when the
        // whole replacement is ready.
        KW5TagTransaction edit(tag, modified);
        bool removed = false;
        HRESULT hr = removeFromTag(*tag, frameId, desc, descIndex, openMode, removed);
        if (hr != kw5::kS_OK)
            return hr;

        const unsigned char encodingByte = static_cast<unsigned char>(encoding & 0xFF);
        const unsigned short frameFlags = static_cast<unsigned short>(flags);
        KW5FrameList frames;
        frames.reserve(values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            const std::string frameDesc = numbered ? kw5series::member(desc, i + 1) : desc;
            KW5WString value = values[i];
            checkFieldDataSize(frameId, value);
            KW5Frame frame;
            hr = makeStringFrame(frameId, encodingByte, frameDesc, value, frameFlags, frame);
            if (hr < 0)
                return hr;
            frames.push_back(std::move(frame));
        }
        if (!frames.empty()) {
            _KW5_FILE_RET ret = tag->addFrames(frames);
            if (ret != KW5_FILE_RET_OK)
                return KW5ErrorReturnHRESULT(ret);
        }
        if (removed || !frames.empty()) {
            modified = 1;
            edit.commit();
        }
        return kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

LONG CKW5VorletLib::GetFrameFlag(LONG frameIndex, LONG descIndex,
                                 std::vector<unsigned short>& flags) {
    try {
        if (!tag)
            return kw5::kE_FAIL;
        std::string frameId;
        std::string desc;
        if (!convertKw5Id(frameIndex, descIndex, frameId, desc))
            return kw5::kE_FAIL;
        if (isSeriesWithoutKey(frameId, descIndex))
            return kw5::kE_INVALIDARG;

        // Nothing found is no failure: no flags are added.
        KW5FrameList frames;
        _KW5_FILE_RET lookup =
            kw5series::findNamed(*tag, frameId, desc, isNumberedDesc(descIndex), frames);
        if (lookup != KW5_FILE_RET_OK && lookup != KW5_FILE_RET_NOT_FOUND)
            return KW5ErrorReturnHRESULT(lookup);

        std::vector<unsigned short> found;
        found.reserve(frames.size());
        for (const KW5Frame& frame : frames) {
            KW5FrameHeader header;
            _KW5_FILE_RET ret = frame.getHeader(header);
            if (ret != KW5_FILE_RET_OK)
                return KW5ErrorReturnHRESULT(ret);
            uint16_t value = 0;
            ret = header.getFlags(value);
            if (ret != KW5_FILE_RET_OK)
                return KW5ErrorReturnHRESULT(ret);
            found.push_back(value);
        }
        flags.insert(flags.end(), found.begin(), found.end());
        return kw5::kS_OK;
    } catch (...) {
        return kw5::kE_FAIL;
    }
}

#include "tag/KW5DataBase.h"

#include "fields/KW5Field.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

// Frames that lead a written tag, in this order. "VMK_TPE1S" and
// "VMK_TRACK" are descriptions of user frames, the others frame ids.
const char* const kPriorityKeys[] = {"TIT2",      "TPE1",      "TALB", "TCON",
                                     "VMK_TPE1S", "VMK_TRACK", "TYER"};
// Priority frames keep at most this many UTF-16 units of payload.
const ULONG kPriorityMaxUnits = 256;
// Objects whose description starts so come right after the priority frames.
const char kSeriesPrefix[] = "VMK_FTHB";
const size_t kSeriesPrefixLength = sizeof(kSeriesPrefix) - 1;

const char kLeadObjectGM[] = "VMK_LSI";
const char kLeadObjectPrask[] = "VMK_ULINF";

bool isLinkId(const std::string& frameId) {
    return frameId == "WOAR" || frameId == "WCOM";
}

bool isUserId(const std::string& frameId) {
    return frameId == "TXXX" || frameId == "WXXX";
}

// Moves the entry out of its container into frame.
template <class Container>
void takeOut(Container& container, typename Container::iterator it, KW5Frame& frame) {
    frame = std::move(it->second);
    container.erase(it);
}

} // namespace

bool KW5KeyLess::operator()(const std::string& a, const std::string& b) const {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

KW5DataBase::KW5DataBase() {}

KW5DataBase::~KW5DataBase() {}

bool KW5DataBase::isEmpty() const {
    return singleFrames_.empty() && objectFrames_.empty() && linkFrames_.empty() &&
           keptFrames_.empty();
}

_KW5_FILE_RET KW5DataBase::addFrame(const std::string& frameId, const std::string& description,
                                    const KW5Frame& frame) {
    // Copy first, so that a failed allocation leaves the store as it was.
    try {
        KW5Frame copy(frame);
        return addFrame(frameId, description, std::move(copy));
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
}

_KW5_FILE_RET KW5DataBase::addFrame(const std::string& frameId, const std::string& description,
                                    KW5Frame&& frame, bool* replacedOther) {
    if (replacedOther)
        *replacedOther = false;
    if (frameId.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    try {
        if (isLinkId(frameId)) {
            auto range = linkFrames_.equal_range(frameId);
            for (auto it = range.first; it != range.second; ++it) {
                if (it->second.isEqual(frame))
                    return KW5_FILE_RET_OK;
            }
            // A multimap inserts after the entries already under the key.
            linkFrames_.emplace(frameId, std::move(frame));
            return KW5_FILE_RET_OK;
        }
        if (frameId == "GEOB") {
            if (description.empty())
                return KW5_FILE_RET_INVALID_PARAMETER;
            auto it = objectFrames_.find(description);
            if (it == objectFrames_.end()) {
                objectFrames_.emplace(description, std::move(frame));
                return KW5_FILE_RET_OK;
            }
            if (replacedOther && !it->second.isEqual(frame))
                *replacedOther = true;
            it->second = std::move(frame);
            return KW5_FILE_RET_OK;
        }
        const bool user = isUserId(frameId);
        if (user && description.empty())
            return KW5_FILE_RET_INVALID_PARAMETER;
        const std::string& key = user ? description : frameId;
        auto range = singleFrames_.equal_range(key);
        // Standard frames accumulate in stored order, a byte-identical copy
        // once; any other frame replaces what is filed under its key (also
        // a user frame described like a frame id, and the other way round).
        bool accumulate = isStandardFrameId(frameId);
        bool identical = false;
        bool different = false;
        for (auto it = range.first; it != range.second; ++it) {
            std::string filedId;
            if (it->second.getFrameId(filedId) != KW5_FILE_RET_OK || filedId != frameId)
                accumulate = false;
            if (it->second.isEqual(frame))
                identical = true;
            else
                different = true;
        }
        if (accumulate && identical)
            return KW5_FILE_RET_OK;
        if (!accumulate) {
            if (replacedOther && different)
                *replacedOther = true;
            range.second = singleFrames_.erase(range.first, range.second);
        }
        singleFrames_.emplace_hint(range.second, key, std::move(frame));
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5DataBase::keepFrame(KW5Frame&& frame) {
    for (const KW5Frame& kept : keptFrames_) {
        if (kept.isEqual(frame))
            return KW5_FILE_RET_OK;
    }
    try {
        keptFrames_.push_back(std::move(frame));
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

std::string KW5DataBase::storeKey(const std::string& frameId, const std::string& description) {
    if (isLinkId(frameId))
        return "L" + frameId;
    if (frameId == "GEOB")
        return "O" + description;
    return "S" + (isUserId(frameId) ? description : frameId);
}

_KW5_FILE_RET KW5DataBase::findFrames(const std::string& frameId, const std::string& description,
                                      KW5FrameList& frames) const {
    try {
        if (isLinkId(frameId)) {
            auto range = linkFrames_.equal_range(frameId);
            if (range.first == range.second)
                return KW5_FILE_RET_NOT_FOUND;
            for (auto it = range.first; it != range.second; ++it)
                frames.push_back(it->second);
            return KW5_FILE_RET_OK;
        }
        if (frameId == "GEOB") {
            auto it = objectFrames_.find(description);
            if (it == objectFrames_.end())
                return KW5_FILE_RET_NOT_FOUND;
            frames.push_back(it->second);
            return KW5_FILE_RET_OK;
        }
        const std::string& key = isUserId(frameId) ? description : frameId;
        auto range = singleFrames_.equal_range(key);
        if (range.first == range.second)
            return KW5_FILE_RET_NOT_FOUND;
        for (auto it = range.first; it != range.second; ++it)
            frames.push_back(it->second);
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5DataBase::removeFrames(const std::string& frameId, const std::string& description,
                                        LONG openMode) {
    if (frameId.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    const bool testReadOnly = openMode != KW5_OPEN_READWRITE_ALL;

    if (isLinkId(frameId)) {
        auto range = linkFrames_.equal_range(frameId);
        if (range.first == range.second)
            return KW5_FILE_RET_NOT_FOUND;
        // The first frame under the id speaks for all of them.
        if (testReadOnly) {
            _KW5_FILE_RET state = range.first->second.readOnlyState();
            if (state != KW5_FILE_RET_WRITABLE)
                return state;
        }
        linkFrames_.erase(range.first, range.second);
        return KW5_FILE_RET_OK;
    }

    if (frameId == "GEOB") {
        if (description.empty())
            return KW5_FILE_RET_INVALID_PARAMETER;
        auto it = objectFrames_.find(description);
        if (it == objectFrames_.end())
            return KW5_FILE_RET_NOT_FOUND;
        if (testReadOnly) {
            _KW5_FILE_RET state = it->second.readOnlyState();
            if (state != KW5_FILE_RET_WRITABLE)
                return state;
        }
        objectFrames_.erase(it);
        return KW5_FILE_RET_OK;
    }

    const std::string& key = isUserId(frameId) ? description : frameId;
    if (key.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    auto range = singleFrames_.equal_range(key);
    if (range.first == range.second)
        return KW5_FILE_RET_NOT_FOUND;
    // Several standard frames under one id go together, and only when none
    // of them is read-only.
    if (testReadOnly) {
        for (auto it = range.first; it != range.second; ++it) {
            _KW5_FILE_RET state = it->second.readOnlyState();
            if (state != KW5_FILE_RET_WRITABLE)
                return state;
        }
    }
    singleFrames_.erase(range.first, range.second);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5DataBase::clearFrames() {
    try {
        singleFrames_.clear();
        objectFrames_.clear();
        linkFrames_.clear();
        keptFrames_.clear();
    } catch (...) {
        return KW5_FILE_RET_FAILED;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5DataBase::popNextFrameSTD(KW5Frame& frame) {
    return popNextFrame(nullptr, frame);
}

_KW5_FILE_RET KW5DataBase::popNextFrameGM(KW5Frame& frame) {
    return popNextFrame(kLeadObjectGM, frame);
}

_KW5_FILE_RET KW5DataBase::popNextFramePrask(KW5Frame& frame) {
    return popNextFrame(kLeadObjectPrask, frame);
}

_KW5_FILE_RET KW5DataBase::popNextFrame(const char* leadObject, KW5Frame& frame) {
    // The variant's lead object.
    if (leadObject != nullptr) {
        auto it = objectFrames_.find(leadObject);
        if (it != objectFrames_.end()) {
            takeOut(objectFrames_, it, frame);
            return frame.normalizeEncoding();
        }
    }

    // The priority frames, cut to a fixed length.
    for (const char* key : kPriorityKeys) {
        auto it = singleFrames_.lower_bound(key);
        if (it == singleFrames_.end() || it->first != key)
            continue;
        takeOut(singleFrames_, it, frame);
        _KW5_FILE_RET ret = frame.normalizeEncoding();
        if (ret == KW5_FILE_RET_OK)
            ret = frame.truncatePayload(kPriorityMaxUnits);
        return ret;
    }

    // A numbered series of objects, in byte order of their descriptions. An
    // object whose description cannot be read is left for the last step:
    // it still leaves the store, so a writer draining it cannot loop forever.
    for (auto it = objectFrames_.begin(); it != objectFrames_.end(); ++it) {
        std::string frameId;
        std::string description;
        if (it->second.getDescription(frameId, description) != KW5_FILE_RET_OK)
            continue;
        if (description.size() >= kSeriesPrefixLength &&
            std::memcmp(description.data(), kSeriesPrefix, kSeriesPrefixLength) == 0) {
            takeOut(objectFrames_, it, frame);
            return frame.normalizeEncoding();
        }
    }

    // Link frames travel as they are.
    if (!linkFrames_.empty()) {
        takeOut(linkFrames_, linkFrames_.begin(), frame);
        return KW5_FILE_RET_OK;
    }
    if (!singleFrames_.empty()) {
        takeOut(singleFrames_, singleFrames_.begin(), frame);
        return frame.normalizeEncoding();
    }
    if (!objectFrames_.empty()) {
        takeOut(objectFrames_, objectFrames_.begin(), frame);
        return frame.normalizeEncoding();
    }
    // Frames no lookup reaches go out last, exactly as they came in.
    if (!keptFrames_.empty()) {
        frame = std::move(keptFrames_.front());
        keptFrames_.pop_front();
        return KW5_FILE_RET_OK;
    }
    return KW5_FILE_RET_NOT_FOUND;
}

#include "tag/KW5DataBase.h"

#include "fields/KW5Field.h"
#include "tag/KW5FrameKinds.h"

#include <cstring>
#include <iterator>
#include <new>
#include <string_view>
#include <utility>

namespace {

using kw5kinds::isLinkFrame;
using kw5kinds::isUserFrame;

// An object belongs to the numbered series by the description its body
// carries; one whose description cannot be read does not.
bool isSeriesObject(const KW5Frame& frame) {
    std::string frameId;
    std::string description;
    return frame.getDescription(frameId, description) == KW5_FILE_RET_OK &&
           kw5kinds::hasSeriesPrefix(description);
}

bool hasFrameId(const KW5Frame& frame, const std::string& frameId) {
    std::string filedId;
    return frame.getFrameId(filedId) == KW5_FILE_RET_OK && filedId == frameId;
}

size_t hashBytes(const void* bytes, size_t length) {
    return std::hash<std::string_view>()(std::string_view(static_cast<const char*>(bytes), length));
}

// A digest of the key and the frame's bytes; equal digests are compared.
size_t digestOf(const std::string& key, const KW5Frame& frame) {
    size_t digest = hashBytes(key.data(), key.size());
    digest = digest * 31 + hashBytes(frame.headerBytes().data(), frame.headerBytes().size());
    return digest * 31 + hashBytes(frame.bodyData(), frame.bodyLength());
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

KW5DataBase::KW5DataBase() : keptFront_(0) {}

KW5DataBase::~KW5DataBase() {}

KW5DataBase::KW5DataBase(const KW5DataBase& other)
    : singleFrames_(other.singleFrames_), objectFrames_(other.objectFrames_),
      linkFrames_(other.linkFrames_), keptFrames_(other.keptFrames_), keptFront_(0),
      seriesKeys_(other.seriesKeys_) {
    buildIndices();
}

KW5DataBase& KW5DataBase::operator=(const KW5DataBase& other) {
    if (this == &other)
        return *this;
    // Swapped containers keep their iterators valid, and so the indices.
    KW5DataBase copy(other);
    singleFrames_.swap(copy.singleFrames_);
    objectFrames_.swap(copy.objectFrames_);
    linkFrames_.swap(copy.linkFrames_);
    keptFrames_.swap(copy.keptFrames_);
    singleIndex_.swap(copy.singleIndex_);
    linkIndex_.swap(copy.linkIndex_);
    keptIndex_.swap(copy.keptIndex_);
    std::swap(keptFront_, copy.keptFront_);
    seriesKeys_.swap(copy.seriesKeys_);
    return *this;
}

void KW5DataBase::buildIndices() {
    singleIndex_.reserve(singleFrames_.size());
    for (auto it = singleFrames_.begin(); it != singleFrames_.end(); ++it)
        singleIndex_.emplace(digestOf(it->first, it->second), it);
    linkIndex_.reserve(linkFrames_.size());
    for (auto it = linkFrames_.begin(); it != linkFrames_.end(); ++it)
        linkIndex_.emplace(digestOf(it->first, it->second), it);
    keptIndex_.reserve(keptFrames_.size());
    for (size_t i = 0; i < keptFrames_.size(); ++i)
        keptIndex_.emplace(digestOf(std::string(), keptFrames_[i]), keptFront_ + i);
}

bool KW5DataBase::holds(const FrameIndex& index, size_t digest, const std::string& key,
                        const KW5Frame& frame) {
    auto range = index.equal_range(digest);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second->first == key && it->second->second.isEqual(frame))
            return true;
    }
    return false;
}

void KW5DataBase::file(FrameMap& frames, FrameIndex& index, size_t digest, const std::string& key,
                       KW5Frame&& frame) {
    // A multimap inserts after the entries already under the key.
    auto it = frames.emplace(key, std::move(frame));
    try {
        index.emplace(digest, it);
    } catch (const std::bad_alloc&) {
        frame = std::move(it->second);
        frames.erase(it);
        throw;
    }
}

void KW5DataBase::unindex(FrameIndex& index, FrameMap::iterator it) {
    auto range = index.equal_range(digestOf(it->first, it->second));
    for (auto entry = range.first; entry != range.second; ++entry) {
        if (entry->second == it) {
            index.erase(entry);
            return;
        }
    }
}

KW5DataBase::FrameMap::iterator KW5DataBase::unfile(FrameMap& frames, FrameIndex& index,
                                                    FrameMap::iterator it) {
    unindex(index, it);
    return frames.erase(it);
}

void KW5DataBase::takeOut(FrameMap& frames, FrameIndex& index, FrameMap::iterator it,
                          KW5Frame& frame) {
    unindex(index, it);
    frame = std::move(it->second);
    frames.erase(it);
}

void KW5DataBase::takeOutObject(ObjectMap::iterator it, KW5Frame& frame) {
    seriesKeys_.erase(it->first);
    frame = std::move(it->second);
    objectFrames_.erase(it);
}

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
        if (isLinkFrame(frameId)) {
            const size_t digest = digestOf(frameId, frame);
            if (!holds(linkIndex_, digest, frameId, frame))
                file(linkFrames_, linkIndex_, digest, frameId, std::move(frame));
            return KW5_FILE_RET_OK;
        }
        if (frameId == "GEOB") {
            if (description.empty())
                return KW5_FILE_RET_INVALID_PARAMETER;
            auto it = objectFrames_.find(description);
            const bool series = isSeriesObject(frame);
            if (series)
                seriesKeys_.insert(description);
            if (it == objectFrames_.end()) {
                try {
                    objectFrames_.emplace(description, std::move(frame));
                } catch (const std::bad_alloc&) {
                    seriesKeys_.erase(description);
                    throw;
                }
                return KW5_FILE_RET_OK;
            }
            if (!series)
                seriesKeys_.erase(description);
            if (replacedOther && !it->second.isEqual(frame))
                *replacedOther = true;
            it->second = std::move(frame);
            return KW5_FILE_RET_OK;
        }
        const bool user = isUserFrame(frameId);
        if (user && description.empty())
            return KW5_FILE_RET_INVALID_PARAMETER;
        const std::string& key = user ? description : frameId;
        auto range = singleFrames_.equal_range(key);
        const bool filed = range.first != range.second;
        // Standard frames accumulate in stored order, a byte-identical copy
        // once; any other frame replaces what is filed under its key (also
        // a user frame described like a frame id, and the other way round).
        // Frames accumulate only under the id of the one that comes: all
        // filed ones but the last carry the id the last came with, so the
        // first and the last speak for all of them.
        bool accumulate = isStandardFrameId(frameId);
        if (accumulate && filed)
            accumulate = hasFrameId(range.first->second, frameId) &&
                         hasFrameId(std::prev(range.second)->second, frameId);
        if (accumulate) {
            const size_t digest = digestOf(key, frame);
            if (!filed || !holds(singleIndex_, digest, key, frame))
                file(singleFrames_, singleIndex_, digest, key, std::move(frame));
            return KW5_FILE_RET_OK;
        }
        // Frames filed under one key differ from each other.
        if (replacedOther && filed)
            *replacedOther =
                std::next(range.first) != range.second || !range.first->second.isEqual(frame);
        for (auto it = range.first; it != range.second;)
            it = unfile(singleFrames_, singleIndex_, it);
        file(singleFrames_, singleIndex_, digestOf(key, frame), key, std::move(frame));
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5DataBase::keepFrame(KW5Frame&& frame) {
    try {
        const size_t digest = digestOf(std::string(), frame);
        auto range = keptIndex_.equal_range(digest);
        for (auto it = range.first; it != range.second; ++it) {
            if (keptFrames_[static_cast<size_t>(it->second - keptFront_)].isEqual(frame))
                return KW5_FILE_RET_OK;
        }
        keptFrames_.push_back(std::move(frame));
        try {
            keptIndex_.emplace(digest, keptFront_ + keptFrames_.size() - 1);
        } catch (const std::bad_alloc&) {
            frame = std::move(keptFrames_.back());
            keptFrames_.pop_back();
            throw;
        }
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

std::string KW5DataBase::storeKey(const std::string& frameId, const std::string& description) {
    if (isLinkFrame(frameId))
        return "L" + frameId;
    if (frameId == "GEOB")
        return "O" + description;
    return "S" + (isUserFrame(frameId) ? description : frameId);
}

_KW5_FILE_RET KW5DataBase::findFrames(const std::string& frameId, const std::string& description,
                                      KW5FrameList& frames) const {
    try {
        if (isLinkFrame(frameId)) {
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
        const std::string& key = isUserFrame(frameId) ? description : frameId;
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

    if (isLinkFrame(frameId)) {
        auto range = linkFrames_.equal_range(frameId);
        if (range.first == range.second)
            return KW5_FILE_RET_NOT_FOUND;
        // The first frame under the id speaks for all of them.
        if (testReadOnly) {
            _KW5_FILE_RET state = range.first->second.readOnlyState();
            if (state != KW5_FILE_RET_WRITABLE)
                return state;
        }
        for (auto it = range.first; it != range.second;)
            it = unfile(linkFrames_, linkIndex_, it);
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
        seriesKeys_.erase(it->first);
        objectFrames_.erase(it);
        return KW5_FILE_RET_OK;
    }

    const std::string& key = isUserFrame(frameId) ? description : frameId;
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
    for (auto it = range.first; it != range.second;)
        it = unfile(singleFrames_, singleIndex_, it);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5DataBase::clearFrames() {
    try {
        singleFrames_.clear();
        objectFrames_.clear();
        linkFrames_.clear();
        keptFrames_.clear();
        singleIndex_.clear();
        linkIndex_.clear();
        keptIndex_.clear();
        keptFront_ = 0;
        seriesKeys_.clear();
    } catch (...) {
        return KW5_FILE_RET_FAILED;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5DataBase::popNextFrameSTD(KW5Frame& frame) {
    return popNextFrame(nullptr, frame);
}

_KW5_FILE_RET KW5DataBase::popNextFrameGM(KW5Frame& frame) {
    return popNextFrame(kw5kinds::kLeadObjectGM, frame);
}

_KW5_FILE_RET KW5DataBase::popNextFramePrask(KW5Frame& frame) {
    return popNextFrame(kw5kinds::kLeadObjectPrask, frame);
}

_KW5_FILE_RET KW5DataBase::popNextFrame(const char* leadObject, KW5Frame& frame) {
    // The variant's lead object.
    if (leadObject != nullptr) {
        auto it = objectFrames_.find(leadObject);
        if (it != objectFrames_.end()) {
            takeOutObject(it, frame);
            return frame.normalizeEncoding();
        }
    }

    // The priority frames, cut to a fixed length.
    for (const kw5kinds::PriorityFrame& priority : kw5kinds::kPriorityFrames) {
        const char* key = *priority.description ? priority.description : priority.frameId;
        auto it = singleFrames_.lower_bound(key);
        if (it == singleFrames_.end() || it->first != key)
            continue;
        takeOut(singleFrames_, singleIndex_, it, frame);
        _KW5_FILE_RET ret = frame.normalizeEncoding();
        if (ret == KW5_FILE_RET_OK)
            ret = frame.truncatePayload(kw5kinds::kPriorityMaxUnits);
        return ret;
    }

    // A numbered series of objects, in byte order of their descriptions. An
    // object whose description cannot be read is left for the last step:
    // it still leaves the store, so a writer draining it cannot loop forever.
    while (!seriesKeys_.empty()) {
        auto it = objectFrames_.find(*seriesKeys_.begin());
        if (it != objectFrames_.end()) {
            takeOutObject(it, frame);
            return frame.normalizeEncoding();
        }
        seriesKeys_.erase(seriesKeys_.begin());
    }

    // Link frames travel as they are.
    if (!linkFrames_.empty()) {
        takeOut(linkFrames_, linkIndex_, linkFrames_.begin(), frame);
        return KW5_FILE_RET_OK;
    }
    if (!singleFrames_.empty()) {
        takeOut(singleFrames_, singleIndex_, singleFrames_.begin(), frame);
        return frame.normalizeEncoding();
    }
    if (!objectFrames_.empty()) {
        takeOutObject(objectFrames_.begin(), frame);
        return frame.normalizeEncoding();
    }
    // Frames no lookup reaches go out last, exactly as they came in.
    if (!keptFrames_.empty()) {
        auto range = keptIndex_.equal_range(digestOf(std::string(), keptFrames_.front()));
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second == keptFront_) {
                keptIndex_.erase(it);
                break;
            }
        }
        frame = std::move(keptFrames_.front());
        keptFrames_.pop_front();
        ++keptFront_;
        return KW5_FILE_RET_OK;
    }
    return KW5_FILE_RET_NOT_FOUND;
}

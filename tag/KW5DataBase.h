// The frame store of a tag.
//
//   singleFrames  one frame per id; TXXX and WXXX under their description;
//                 the standard frames (COMM, APIC, PRIV, ...) any number per
//                 id, in stored order
//   objectFrames  GEOB frames under their description
//   linkFrames    WOAR and WCOM frames, any number per id, in stored order
//   keptFrames    user frames that cannot be addressed by description (empty,
//                 not readable in the thread's code page, compressed or
//                 encrypted), in stored order; written last, byte for byte
//
// Keys order as unsigned byte strings. The pop operations hand the frames out
// in the write order of a format variant, re-encoding text on the way.
//
// Every step costs O(log n) (amortised, plus the bytes of the frame at hand):
// the frames of singleFrames, linkFrames and keptFrames are indexed by a
// digest of their bytes, so that a byte-identical copy is found without
// comparing with each frame filed before, and the keys of the objects of the
// numbered series are held apart in their order.
#ifndef KW5_TAG_KW5DATABASE_H
#define KW5_TAG_KW5DATABASE_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"
#include "tag/KW5Frame.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <unordered_map>

// Byte-wise unsigned comparison; a proper prefix sorts first.
struct KW5KeyLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

class KW5DataBase {
public:
    typedef std::multimap<std::string, KW5Frame, KW5KeyLess> FrameMap;
    typedef std::map<std::string, KW5Frame, KW5KeyLess> ObjectMap;
    typedef std::multimap<std::string, KW5Frame, KW5KeyLess> LinkMap;
    typedef std::deque<KW5Frame> KeptList;

    KW5DataBase();
    virtual ~KW5DataBase();
    // The indices point into the containers: a copy builds its own.
    KW5DataBase(const KW5DataBase& other);
    KW5DataBase& operator=(const KW5DataBase& other);

    _KW5_FILE_RET addFrame(const std::string& frameId, const std::string& description,
                           const KW5Frame& frame);
    // The same without a copy: the frame's bytes move into the store (the
    // frame is left empty, also when the store refuses it). replacedOther,
    // when given, is set when a frame that differs from this one gave way.
    _KW5_FILE_RET addFrame(const std::string& frameId, const std::string& description,
                           KW5Frame&& frame, bool* replacedOther = nullptr);
    // Files a frame that no lookup reaches (a byte-identical one once); it
    // leaves the store as it came.
    _KW5_FILE_RET keepFrame(KW5Frame&& frame);
    // The container and key a frame is filed under, as one string: frames
    // with the same store key replace each other (or accumulate).
    static std::string storeKey(const std::string& frameId, const std::string& description);
    // Appends copies; KW5_FILE_RET_NOT_FOUND when nothing matched.
    _KW5_FILE_RET findFrames(const std::string& frameId, const std::string& description,
                             KW5FrameList& frames) const;
    // openMode KW5_OPEN_READWRITE_ALL removes read-only frames too.
    _KW5_FILE_RET removeFrames(const std::string& frameId, const std::string& description,
                               LONG openMode);
    _KW5_FILE_RET clearFrames();

    // Each removes the next frame of the variant's write order into frame;
    // KW5_FILE_RET_NOT_FOUND when the store is empty. The result is that of
    // the treatment; the frame is delivered even when the treatment fails.
    _KW5_FILE_RET popNextFrameSTD(KW5Frame& frame);
    _KW5_FILE_RET popNextFrameGM(KW5Frame& frame);
    _KW5_FILE_RET popNextFramePrask(KW5Frame& frame);

    bool isEmpty() const;
    const FrameMap& singleFrames() const { return singleFrames_; }
    const ObjectMap& objectFrames() const { return objectFrames_; }
    const LinkMap& linkFrames() const { return linkFrames_; }
    const KeptList& keptFrames() const { return keptFrames_; }

private:
    // Digest of a frame's bytes -> the entry holding them.
    typedef std::unordered_multimap<size_t, FrameMap::iterator> FrameIndex;
    // Digest -> sequence number of a kept frame (the front's is keptFront_).
    typedef std::unordered_multimap<size_t, uint64_t> KeptIndex;
    typedef std::set<std::string, KW5KeyLess> KeySet;

    _KW5_FILE_RET popNextFrame(const char* leadObject, KW5Frame& frame);

    static bool holds(const FrameIndex& index, size_t digest, const std::string& key,
                      const KW5Frame& frame);
    // Both may throw std::bad_alloc; file leaves the store as it was then.
    static void file(FrameMap& frames, FrameIndex& index, size_t digest, const std::string& key,
                     KW5Frame&& frame);
    static void unindex(FrameIndex& index, FrameMap::iterator it);
    static FrameMap::iterator unfile(FrameMap& frames, FrameIndex& index, FrameMap::iterator it);
    static void takeOut(FrameMap& frames, FrameIndex& index, FrameMap::iterator it,
                        KW5Frame& frame);
    void takeOutObject(ObjectMap::iterator it, KW5Frame& frame);
    void buildIndices();

    FrameMap singleFrames_;
    ObjectMap objectFrames_;
    LinkMap linkFrames_;
    KeptList keptFrames_;
    FrameIndex singleIndex_;
    FrameIndex linkIndex_;
    KeptIndex keptIndex_;
    uint64_t keptFront_;
    // The keys of the objects whose description starts with "VMK_FTHB".
    KeySet seriesKeys_;
};

#endif

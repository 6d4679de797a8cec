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
#ifndef KW5_TAG_KW5DATABASE_H
#define KW5_TAG_KW5DATABASE_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"
#include "tag/KW5Frame.h"

#include <deque>
#include <map>
#include <string>

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
    KW5DataBase(const KW5DataBase&) = default;
    KW5DataBase& operator=(const KW5DataBase&) = default;

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
    _KW5_FILE_RET popNextFrame(const char* leadObject, KW5Frame& frame);

    FrameMap singleFrames_;
    ObjectMap objectFrames_;
    LinkMap linkFrames_;
    KeptList keptFrames_;
};

#endif

// The in-memory tag: header, frame store and the size of the image it was
// loaded from. Parses tag images into the store and serialises the store
// back in the write order of a format variant.
#ifndef KW5_TAG_KW5TAG_H
#define KW5_TAG_KW5TAG_H

#include "facade/KW5FileRet.h"
#include "platform/Types.h"
#include "tag/KW5DataBase.h"
#include "tag/KW5Frame.h"
#include "tag/KW5SerializedFrames.h"
#include "tag/KW5TagHeader.h"

#include <memory>
#include <string>
#include <vector>

// Two frames of a loaded image that met under one store key although they
// differ: the store kept the later one only.
struct KW5LoadConflict {
    std::string storeKey; // KW5DataBase::storeKey of both
    std::string frames;   // "TIT2 at 10, TIT2 at 52", for the log
};

class KW5Tag {
public:
    KW5Tag();
    virtual ~KW5Tag();
    KW5Tag(const KW5Tag& other);
    KW5Tag& operator=(const KW5Tag& other);

    _KW5_FILE_RET reset();
    // An empty image gives an empty tag of size 0; otherwise parse, and on
    // success the tag size becomes length. With an owner (which keeps the
    // image alive) the frames hold their bodies where they lie in it;
    // without one each body is copied.
    _KW5_FILE_RET load(const unsigned char* image, ULONG length,
                       const std::shared_ptr<const void>& owner = nullptr);
    // Files the frames of image; owner as for load.
    virtual _KW5_FILE_RET parse(const unsigned char* image, ULONG length,
                                const std::shared_ptr<const void>& owner);

    _KW5_FILE_RET getTagSize(ULONG& size) const;
    // An empty copy when the tag holds no header bytes.
    _KW5_FILE_RET getHeader(KW5TagHeader& header) const;

    _KW5_FILE_RET addFrames(const KW5FrameList& frames);
    _KW5_FILE_RET findFramesById(const std::string& frameId, const std::string& description,
                                 KW5FrameList& frames) const;
    _KW5_FILE_RET removeFramesById(const std::string& frameId, const std::string& description,
                                   LONG openMode);

    // Empty the store into out, in the variant's write order.
    _KW5_FILE_RET serializeFramesSTD(KW5SerializedFrames& out);
    _KW5_FILE_RET serializeFramesGM(KW5SerializedFrames& out);
    _KW5_FILE_RET serializeFramesPrask(KW5SerializedFrames& out);
    static _KW5_FILE_RET releaseFrameBuffers(KW5SerializedFrames& frames);
    // The same frames without copying them into buffers: each as it goes
    // into the file (exactly 10 header bytes, its body shared, not copied),
    // total the sum of their lengths. Empties the store.
    _KW5_FILE_RET takeFramesSTD(KW5FrameList& out, ULONG& total);
    _KW5_FILE_RET takeFramesGM(KW5FrameList& out, ULONG& total);
    _KW5_FILE_RET takeFramesPrask(KW5FrameList& out, ULONG& total);

    // What a frame is filed under; kept is set for a user frame that no
    // description reaches (the store keeps it apart, written as it is).
    static _KW5_FILE_RET describeFrame(const KW5Frame& frame, std::string& frameId,
                                       std::string& description, bool& kept);

    // Finds frames in the tag of a file without loading it: with a
    // description the first frame of that id and description, without one
    // every frame of that id that has no description.
    static _KW5_FILE_RET scanFileFrames(const KW5WString& path, const std::string& frameId,
                                        const std::string& description, KW5FrameList& frames);

    KW5DataBase& store() { return *store_; }
    const KW5DataBase& store() const { return *store_; }

    // The frames that the last load had to drop to keep one per key. While
    // any remains, the serialisers refuse (KW5_FILE_RET_INVALID_DATA, one log
    // line per conflict) so that no file loses them; a conflict goes away
    // when its key is removed or filed anew through this object.
    const std::vector<KW5LoadConflict>& loadConflicts() const { return conflicts_; }
    // For images that are no write-back of the loaded file (an export).
    void dropLoadConflicts() { conflicts_.clear(); }

protected:
    // The shared frame loop; strictEncoding adds the GM encoding test.
    _KW5_FILE_RET parseFrames(const unsigned char* image, ULONG length, bool strictEncoding,
                              const std::shared_ptr<const void>& owner);

private:
    typedef _KW5_FILE_RET (KW5DataBase::*PopOperation)(KW5Frame&);
    _KW5_FILE_RET serializeFrames(PopOperation pop, KW5SerializedFrames& out);
    _KW5_FILE_RET takeFrames(PopOperation pop, KW5FrameList& out, ULONG& total);
    void resolveConflicts(const std::string& storeKey);

    KW5TagHeader header_;
    std::unique_ptr<KW5DataBase> store_;
    ULONG tagSize_;
    std::vector<KW5LoadConflict> conflicts_;
};

#endif

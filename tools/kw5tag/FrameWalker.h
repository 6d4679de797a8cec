// Walks the frames of a file's tag as they stand in its bytes.
//
// The library decodes the frames (see FrameListing.h); this walk serves what
// it does not hand out: the tag header, the body bytes of each frame, and in
// words why the library refuses a tag it will not open.
#ifndef KW5TAG_FRAMEWALKER_H
#define KW5TAG_FRAMEWALKER_H

#include <cstdint>
#include <string>
#include <vector>

namespace kw5tag {

struct FrameEntry {
    std::string id;
    uint64_t offset = 0; // of the frame header, from the start of the file
    unsigned flags = 0;  // the two flag bytes, first one high
    uint32_t size = 0;
    int encoding = -1; // the body's first byte where the kind has one
    std::vector<unsigned char> body;
};

struct TagListing {
    bool hasTag = false;
    std::string magic;
    int major = 0;
    int revision = 0;
    int headerFlags = 0;
    uint32_t tagSize = 0; // header included
    uint64_t fileSize = 0;
    std::vector<FrameEntry> frames;
    std::string problem; // why the walk stopped early, if it did
};

TagListing listFrames(const std::string& path);

// In words, what in the file's tag a reader of version 2.3.0 tags stumbles
// on; empty when the walk finds nothing wrong.
std::string tagProblem(const std::string& path);

// Why the value of the first frame with this id cannot be read, when its
// flags say it is compressed or encrypted; empty otherwise.
std::string sealedFrameProblem(const std::string& path, const std::string& id);

} // namespace kw5tag

#endif

// Lists the frames of a file's tag in file order, for display.
//
// The library answers by frame id and description; this walker only finds
// which frames stand in the file, in which order, with their flags, sizes
// and text-encoding bytes, and reads the descriptions of user and object
// frames so that the library can be asked for their values.
#ifndef KW5TAG_FRAMEWALKER_H
#define KW5TAG_FRAMEWALKER_H

#include "kw5/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kw5tag {

struct FrameEntry {
    std::string id;
    KW5WString description; // user text/URL and object frames only
    uint16_t flags = 0;
    uint32_t size = 0;
    int encoding = -1; // the body's first byte where the kind has one
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

// Narrow text of encoding 0 as the default code page (1252) reads it.
KW5WString fromWindows1252(const std::string& bytes);

} // namespace kw5tag

#endif

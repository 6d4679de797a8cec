// The frames of a file's tag as the library decodes them, through the frame
// listing of the C interface: their order, header fields, descriptions and
// text values exactly as get reads them, under any code page.
#ifndef KW5TAG_FRAMELISTING_H
#define KW5TAG_FRAMELISTING_H

#include "kw5/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kw5tag {

struct ListedFrame {
    std::string id;
    KW5WString description; // empty for kinds without one
    uint16_t flags = 0;     // the header's two flag bytes, high first
    uint32_t size = 0;      // body size in bytes
    int encoding = -1;      // the body's text-encoding byte where the kind has one
    bool hasText = false;   // text and URL frames the library could decode
    KW5WString text;
    bool isObject = false; // a value that is bytes rather than text
    bool objectFound = false;
    KW5WString mimeType;
    uint32_t objectSize = 0;
};

// Opens the file read only and lists its frames; throws Failure, with the
// reason in words where the tool can tell it, when the library refuses the
// tag.
std::vector<ListedFrame> listLibraryFrames(const std::string& path);

} // namespace kw5tag

#endif

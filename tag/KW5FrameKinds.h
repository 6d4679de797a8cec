// What kind of frame an id names, and the frames and objects that lead a
// written tag. Every room that sorts frames by kind asks here.
#ifndef KW5_TAG_KW5FRAMEKINDS_H
#define KW5_TAG_KW5FRAMEKINDS_H

#include "platform/Types.h"

#include <cstring>
#include <string>

namespace kw5kinds {

// WOAR and WCOM: any number per id, written as they are.
inline bool isLinkFrame(const std::string& frameId) {
    return frameId == "WOAR" || frameId == "WCOM";
}

// TXXX and WXXX: filed under their description.
inline bool isUserFrame(const std::string& frameId) {
    return frameId == "TXXX" || frameId == "WXXX";
}

// The user frames and GEOB: the frames a description names.
inline bool isKeyedByDescription(const std::string& frameId) {
    return isUserFrame(frameId) || frameId == "GEOB";
}

// The frames that lead a written tag, in this order; a description marks a
// TXXX frame.
struct PriorityFrame {
    const char* frameId;
    const char* description;
};
const PriorityFrame kPriorityFrames[] = {
    {"TIT2", ""},          {"TPE1", ""},          {"TALB", ""}, {"TCON", ""},
    {"TXXX", "VMK_TPE1S"}, {"TXXX", "VMK_TRACK"}, {"TYER", ""},
};
// A priority frame carries at most this much payload: 256 UTF-16 units.
const ULONG kPriorityMaxUnits = 256;
const ULONG kPriorityMaxBytes = 2 * kPriorityMaxUnits;

// The objects that mark the GM and the Prask layouts and lead their tags.
const char kLeadObjectGM[] = "VMK_LSI";
const char kLeadObjectPrask[] = "VMK_ULINF";

// Objects whose description starts so come right after the priority frames.
const char kSeriesPrefix[] = "VMK_FTHB";

inline bool hasSeriesPrefix(const std::string& text) {
    const size_t length = sizeof(kSeriesPrefix) - 1;
    return text.size() >= length && std::memcmp(text.data(), kSeriesPrefix, length) == 0;
}

} // namespace kw5kinds

#endif

// KW5Frame builders for the tag-model tests.
#ifndef KW5_TESTS_TAG_TAGTESTFRAMES_H
#define KW5_TESTS_TAG_TAGTESTFRAMES_H

#include "tag/KW5Frame.h"
#include "tests/tag/TagTestBytes.h"

#include <gtest/gtest.h>

namespace tagtest {

// The frame from an id and a body, read the way the tag reader does.
inline KW5Frame makeFrame(const std::string& id, const Bytes& body, uint16_t flags = 0) {
    Bytes raw = frame(id, body, flags);
    raw.push_back(0xEE); // a frame header must not end the image
    KW5FrameHeader header;
    KW5Field field;
    ULONG position = 0;
    EXPECT_EQ(
        KW5Frame::readFrame(raw.data(), static_cast<ULONG>(raw.size()), header, field, position),
        KW5_FILE_RET_OK);
    KW5Frame out;
    EXPECT_EQ(out.setFrame(header, field), KW5_FILE_RET_OK);
    return out;
}

inline Bytes whole(const KW5Frame& f) {
    return concat({f.headerBytes(), f.bodyBytes()});
}

// "TIT2", or "TXXX:description" for the frames that carry one.
inline std::string nameOf(const KW5Frame& f) {
    std::string id;
    std::string description;
    if (f.getDescription(id, description) != KW5_FILE_RET_OK)
        f.getFrameId(id);
    return description.empty() ? id : id + ":" + description;
}

} // namespace tagtest

#endif

#include "tag/KW5NumberedSeries.h"

#include "tag/KW5Tag.h"

namespace kw5series {

std::string member(const std::string& desc, unsigned long ordinal) {
    return desc + std::to_string(ordinal);
}

_KW5_FILE_RET find(const KW5Tag& tag, const std::string& frameId, const std::string& desc,
                   KW5FrameList& frames) {
    return walk(desc, [&](const std::string& numbered) {
        return tag.findFramesById(frameId, numbered, frames);
    });
}

_KW5_FILE_RET findNamed(const KW5Tag& tag, const std::string& frameId, const std::string& desc,
                        bool numbered, KW5FrameList& frames) {
    return numbered ? find(tag, frameId, desc, frames) : tag.findFramesById(frameId, desc, frames);
}

} // namespace kw5series

#include "tag/KW5TagGM.h"

KW5TagGM::KW5TagGM() {}

KW5TagGM::~KW5TagGM() {}

_KW5_FILE_RET KW5TagGM::parse(const unsigned char* image, ULONG length,
                              const std::shared_ptr<const void>& owner) {
    return parseFrames(image, length, true, owner);
}

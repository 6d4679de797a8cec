#include "tag/KW5TagGM.h"

KW5TagGM::KW5TagGM() {}

KW5TagGM::~KW5TagGM() {}

_KW5_FILE_RET KW5TagGM::parse(const unsigned char* image, ULONG length) {
    return parseFrames(image, length, true);
}

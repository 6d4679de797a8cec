#include "format/KW5FormatSTD.h"

#include "storage/KW5File.h"
#include "tag/KW5FrameKinds.h"
#include "tag/KW5Tag.h"

namespace {

const KW5FormatMark kMark = {
    kw5kinds::kLeadObjectGM,
    "ch_f_std wrong ver",
    "ch_f_std check LSI error",
    KW5_FILE_RET_OK,
    {KW5_FILE_RET_OK, nullptr},
    {KW5_FILE_RET_FORMAT_LSI_PRESENT, "ch_f_std LSI exists"},
    {KW5_FILE_RET_FORMAT_LSI_PRESENT, "ch_f_std LSI exists"},
};

} // namespace

KW5FormatSTD::KW5FormatSTD() {}

KW5FormatSTD::~KW5FormatSTD() {}

const KW5FormatMark& KW5FormatSTD::mark() {
    return kMark;
}

_KW5_FILE_RET KW5FormatSTD::checkFormat(const unsigned char* const& image, const ULONG& length) {
    return checkWithMark(image, length, kMark);
}

_KW5_FILE_RET KW5FormatSTD::writeTag(KW5Tag& tag, const KW5WString& path) {
    // Refuse before serialising, so that the tag keeps its frames.
    KW5FrameList objects;
    _KW5_FILE_RET ret = tag.findFramesById("GEOB", kMark.objectDescription, objects);
    if (ret == KW5_FILE_RET_OK)
        return KW5_FILE_RET_FORMAT_LSI_PRESENT;
    if (ret != KW5_FILE_RET_NOT_FOUND)
        return ret;
    KW5File file;
    return file.writeSTD(tag, path);
}

void KW5FormatSTD::getKeyOrder(std::vector<FormatKey>& keys) {
    appendSharedKeys(keys);
}

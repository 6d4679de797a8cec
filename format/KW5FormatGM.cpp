#include "format/KW5FormatGM.h"

#include "storage/KW5File.h"
#include "tag/KW5FrameKinds.h"
#include "tag/KW5Tag.h"

namespace {

const KW5FormatMark kMark = {
    kw5kinds::kLeadObjectGM,
    "ch_f_gm wrong ver",
    "ch_f_gm check LSI error",
    KW5_FILE_RET_FORMAT_NO_LSI,
    {KW5_FILE_RET_FORMAT_NO_LSI, nullptr},
    {KW5_FILE_RET_OK, nullptr},
    {KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, "ch_f_gm many LSIs"},
};

} // namespace

KW5FormatGM::KW5FormatGM() {}

KW5FormatGM::~KW5FormatGM() {}

const KW5FormatMark& KW5FormatGM::mark() {
    return kMark;
}

_KW5_FILE_RET KW5FormatGM::checkFormat(const unsigned char* const& image, const ULONG& length) {
    return checkWithMark(image, length, kMark);
}

// A missing "VMK_LSI" object is not made up: the tag is written as it is.
_KW5_FILE_RET KW5FormatGM::writeTag(KW5Tag& tag, const KW5WString& path) {
    KW5File file;
    return file.writeGM(tag, path);
}

void KW5FormatGM::getKeyOrder(std::vector<FormatKey>& keys) {
    keys.push_back({0, "GEOB", kMark.objectDescription});
    appendSharedKeys(keys);
}

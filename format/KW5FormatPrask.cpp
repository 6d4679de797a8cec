#include "format/KW5FormatPrask.h"

#include "storage/KW5File.h"
#include "tag/KW5FrameKinds.h"
#include "tag/KW5Tag.h"

namespace {

const KW5FormatMark kMark = {
    kw5kinds::kLeadObjectPrask,
    "ch_f_prsk wrong ver",
    "ch_f_prsk check ULINF error",
    KW5_FILE_RET_FORMAT_NO_ULINF,
    {KW5_FILE_RET_FORMAT_NO_ULINF, "ch_f_prsk No ULINF"},
    {KW5_FILE_RET_OK, nullptr},
    {KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, "ch_f_prsk many ULINFs"},
};

} // namespace

KW5FormatPrask::KW5FormatPrask() {}

KW5FormatPrask::~KW5FormatPrask() {}

const KW5FormatMark& KW5FormatPrask::mark() {
    return kMark;
}

_KW5_FILE_RET KW5FormatPrask::checkFormat(const unsigned char* const& image, const ULONG& length) {
    return checkWithMark(image, length, kMark);
}

// A missing "VMK_ULINF" object is not made up: the tag is written as it is.
_KW5_FILE_RET KW5FormatPrask::writeTag(KW5Tag& tag, const KW5WString& path) {
    KW5File file;
    return file.writePrask(tag, path);
}

void KW5FormatPrask::getKeyOrder(std::vector<FormatKey>& keys) {
    keys.push_back({0, "GEOB", kMark.objectDescription});
    appendSharedKeys(keys);
}

#include "format/KW5Format.h"

#include "format/KW5FormatCheck.h"
#include "support/KW5Log.h"
#include "tag/KW5FrameKinds.h"
#include "tag/KW5Tag.h"
#include "tag/KW5TagGM.h"
#include "tag/KW5TagHeader.h"

KW5Format::KW5Format() {}

KW5Format::~KW5Format() {}

void KW5Format::getPriorityKeys(std::vector<FormatKey>& keys) {
    for (const kw5kinds::PriorityFrame& priority : kw5kinds::kPriorityFrames)
        keys.push_back({0, priority.frameId, priority.description});
}

void KW5Format::appendSharedKeys(std::vector<FormatKey>& keys) {
    getPriorityKeys(keys);
    keys.push_back({1, "GEOB", std::string(kw5kinds::kSeriesPrefix) + "L"});
}

_KW5_FILE_RET KW5Format::checkWithMark(const unsigned char* image, ULONG length,
                                       const KW5FormatMark& mark) {
    if (length == 0)
        return mark.emptyImageResult;
    return checkImage(image, length, mark);
}

_KW5_FILE_RET KW5Format::checkImage(const unsigned char* image, ULONG length,
                                    const KW5FormatMark& mark) {
    if (image == nullptr)
        return KW5_FILE_RET_NULL_POINTER;
    if (length < KW5TagHeader::kLength)
        return KW5_FILE_RET_FAILED;

    KW5TagHeader header;
    _KW5_FILE_RET ret = header.setFromBytes(image, KW5TagHeader::kLength);
    if (ret != KW5_FILE_RET_OK)
        return ret;
    if (!header.isValid()) {
        writeLog(mark.wrongVersionLine);
        return KW5_FILE_RET_FORMAT_WRONG_VERSION;
    }

    ret = KW5FormatCheck::findKeyObjects(image, length, mark);
    if (ret != KW5_FILE_RET_OK)
        return ret;

    // The stricter GM parse finds text frames in another encoding than 2,
    // a rule every variant shares.
    {
        KW5TagGM strict;
        ret = strict.load(image, length);
        if (ret != KW5_FILE_RET_OK)
            return ret;
    }

    KW5Tag tag;
    ret = tag.load(image, length);
    if (ret != KW5_FILE_RET_OK)
        return ret;

    std::vector<FormatKey> priorityKeys;
    getPriorityKeys(priorityKeys);
    ret = KW5FormatCheck::checkKeySizes(tag, priorityKeys);
    if (ret != KW5_FILE_RET_OK)
        return ret;

    std::vector<FormatKey> keys;
    getKeyOrder(keys);
    std::vector<FormatKey> expected;
    ret = KW5FormatCheck::collectKeyFrames(tag, keys, expected);
    if (ret != KW5_FILE_RET_OK)
        return ret;

    return KW5FormatCheck::checkKeyOrder(image, length, expected);
}

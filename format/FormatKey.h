// One entry of a variant's key list: the frames that must lead a tag of
// that variant, in list order.
#ifndef KW5_FORMAT_FORMATKEY_H
#define KW5_FORMAT_FORMATKEY_H

#include "platform/Types.h"

#include <string>

struct FormatKey {
    // 0: the one frame under (frameId, description); 1: the numbered series
    // description + "1", "2", ... up to the first one missing. Any other
    // value makes the lookup fail with KW5_FILE_RET_INVALID_PARAMETER.
    LONG series;
    // Four characters.
    std::string frameId;
    // Empty for frames that carry none.
    std::string description;
};

#endif

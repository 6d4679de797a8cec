// The steps of the structural check that all format variants share. Each
// step works on the tag image or on a tag loaded from it and answers with
// the result of the first rule that fails.
#ifndef KW5_FORMAT_KW5FORMATCHECK_H
#define KW5_FORMAT_KW5FORMATCHECK_H

#include "facade/KW5FileRet.h"
#include "format/FormatKey.h"
#include "format/KW5FormatMark.h"
#include "platform/Types.h"
#include "tag/KW5Frame.h"

#include <cstddef>
#include <string>
#include <vector>

class KW5Tag;

class KW5FormatCheck {
public:
    // The frames filed under key, appended to frames: KW5_FILE_RET_OK when
    // at least one was found, KW5_FILE_RET_NOT_FOUND when none, any other
    // value for a failed lookup.
    static _KW5_FILE_RET lookupKey(const KW5Tag& tag, const FormatKey& key, KW5FrameList& frames);

    // Loads the image and counts the variant's marking objects, then answers
    // as the mark says (logging its line).
    static _KW5_FILE_RET findKeyObjects(const unsigned char* image, ULONG length,
                                        const KW5FormatMark& mark);
    // The mark's answer to count marking objects.
    static _KW5_FILE_RET judgeKeyObjects(std::size_t count, const KW5FormatMark& mark);
    // The "GEOB" frames with the given description, in the image itself:
    // the frame store keeps one object per description and so cannot tell
    // one from several.
    static std::size_t countObjects(const unsigned char* image, ULONG length,
                                    const std::string& description);

    // Every frame found under the priority keys must have a payload of at
    // most kw5kinds::kPriorityMaxBytes bytes.
    static _KW5_FILE_RET checkKeySizes(const KW5Tag& tag,
                                       const std::vector<FormatKey>& priorityKeys);
    // Appends (frame id, description) of every frame found under keys, in
    // key order (series in ordinal order) and with series 0, to expected.
    static _KW5_FILE_RET collectKeyFrames(const KW5Tag& tag, const std::vector<FormatKey>& keys,
                                          std::vector<FormatKey>& expected);
    // The frames of the image, in file order, must match expected entry for
    // entry until the list or the frames end; KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT
    // at the first mismatch. An empty description in an entry matches any.
    static _KW5_FILE_RET checkKeyOrder(const unsigned char* image, ULONG length,
                                       const std::vector<FormatKey>& expected);

private:
    // Reads the frame at position; atEnd when the frames have ended (end of
    // the image, or padding: the next two bytes, or the last one, are zero).
    static _KW5_FILE_RET readNextFrame(const unsigned char* image, ULONG length, ULONG& position,
                                       KW5Frame& frame, bool& atEnd);
};

#endif

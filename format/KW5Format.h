// The abstract format variant: a structural check of tag images and a
// writer that lays a tag out in the variant's order.
//
// Variants hold no state; the check sequence is shared and each variant
// only supplies its mark (KW5FormatMark) and its key list.
#ifndef KW5_FORMAT_KW5FORMAT_H
#define KW5_FORMAT_KW5FORMAT_H

#include "facade/KW5FileRet.h"
#include "format/FormatKey.h"
#include "format/KW5FormatMark.h"
#include "platform/Types.h"

#include <vector>

class KW5Tag;

class KW5Format {
public:
    KW5Format();
    KW5Format(const KW5Format&) = delete;
    KW5Format& operator=(const KW5Format&) = delete;

    // image is the whole tag as it stands at the head of a file (header,
    // frames, padding). KW5_FILE_RET_OK when it is a valid tag of the
    // variant, else the result of the first rule that fails.
    virtual _KW5_FILE_RET checkFormat(const unsigned char* const& image, const ULONG& length) = 0;
    // Writes the tag into the file at path in the variant's order. The
    // frames leave the tag as they are serialised: pass a copy to keep them.
    virtual _KW5_FILE_RET writeTag(KW5Tag& tag, const KW5WString& path) = 0;
    virtual ~KW5Format();
    // Appends the variant's key list.
    virtual void getKeyOrder(std::vector<FormatKey>& keys) = 0;
    // Appends the priority frames, the same for every variant.
    virtual void getPriorityKeys(std::vector<FormatKey>& keys);

protected:
    // The priority keys, then the "VMK_FTHBL" object series: the key list of
    // STD, and of the other variants after their marking object.
    void appendSharedKeys(std::vector<FormatKey>& keys);
    // The check after the empty-image rule, as every variant runs it.
    _KW5_FILE_RET checkImage(const unsigned char* image, ULONG length, const KW5FormatMark& mark);
    // checkFormat of a variant: the empty-image rule, then checkImage.
    _KW5_FILE_RET checkWithMark(const unsigned char* image, ULONG length,
                                const KW5FormatMark& mark);
};

#endif

// The tag of the GM variant: every frame that carries a text-encoding byte
// must carry 2 (UTF-16 big-endian).
#ifndef KW5_TAG_KW5TAGGM_H
#define KW5_TAG_KW5TAGGM_H

#include "tag/KW5Tag.h"

class KW5TagGM : public KW5Tag {
public:
    KW5TagGM();
    ~KW5TagGM() override;
    KW5TagGM(const KW5TagGM&) = default;
    KW5TagGM& operator=(const KW5TagGM&) = default;

    // As KW5Tag::parse; then KW5_FILE_RET_FORMAT_WRONG_ENCODING when any such
    // frame had another encoding (all frames are stored all the same).
    _KW5_FILE_RET parse(const unsigned char* image, ULONG length,
                        const std::shared_ptr<const void>& owner) override;
};

#endif

// The Prask variant: marked by the "VMK_ULINF" object, which leads the tag.
#ifndef KW5_FORMAT_KW5FORMATPRASK_H
#define KW5_FORMAT_KW5FORMATPRASK_H

#include "format/KW5Format.h"

class KW5FormatPrask : public KW5Format {
public:
    KW5FormatPrask();
    ~KW5FormatPrask() override;

    _KW5_FILE_RET checkFormat(const unsigned char* const& image, const ULONG& length) override;
    _KW5_FILE_RET writeTag(KW5Tag& tag, const KW5WString& path) override;
    void getKeyOrder(std::vector<FormatKey>& keys) override;

    // The variant's marking object, its answers and its log lines.
    static const KW5FormatMark& mark();
};

#endif

// The STD variant: no marking object; a tag holding a "VMK_LSI" object is
// refused, by the check and by the writer alike.
#ifndef KW5_FORMAT_KW5FORMATSTD_H
#define KW5_FORMAT_KW5FORMATSTD_H

#include "format/KW5Format.h"

class KW5FormatSTD : public KW5Format {
public:
    KW5FormatSTD();
    ~KW5FormatSTD() override;

    _KW5_FILE_RET checkFormat(const unsigned char* const& image, const ULONG& length) override;
    _KW5_FILE_RET writeTag(KW5Tag& tag, const KW5WString& path) override;
    void getKeyOrder(std::vector<FormatKey>& keys) override;

    // The variant's marking object, its answers and its log lines.
    static const KW5FormatMark& mark();
};

#endif

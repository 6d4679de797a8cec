// UTF-8 (the terminal's text) to host strings (UTF-16) and back.
#ifndef KW5TAG_UTF8_H
#define KW5TAG_UTF8_H

#include "kw5/Types.h"

#include <string>

namespace kw5tag {

KW5WString fromUtf8(const std::string& text);
std::string toUtf8(const KW5WString& text);

} // namespace kw5tag

#endif

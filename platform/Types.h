// The platform layer's view of the shared integer and string aliases.
#ifndef KW5_PLATFORM_TYPES_H
#define KW5_PLATFORM_TYPES_H

#include "kw5/Types.h"

#endif

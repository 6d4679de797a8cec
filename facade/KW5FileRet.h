// Internal results and open modes (shared with hosts).
#ifndef KW5_FACADE_KW5FILERET_H
#define KW5_FACADE_KW5FILERET_H

#include "kw5/KW5FileRet.h"

#endif

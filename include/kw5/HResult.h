// HRESULT values returned by the exported class.
#ifndef KW5_HRESULT_H
#define KW5_HRESULT_H

#include "kw5/Types.h"

namespace kw5 {
const HRESULT kS_OK = 0;
const HRESULT kS_FALSE = 1;
const HRESULT kE_NOTIMPL = static_cast<HRESULT>(0x80004001u);
const HRESULT kE_POINTER = static_cast<HRESULT>(0x80004003u);
const HRESULT kE_FAIL = static_cast<HRESULT>(0x80004005u);
const HRESULT kE_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
const HRESULT kE_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
const HRESULT kE_INVALIDARG = static_cast<HRESULT>(0x80070057u);
// A format rule of the variant checks is broken.
const HRESULT kE_KW5_FORMAT = static_cast<HRESULT>(0x8004040Eu);
// The free-space check before a remake failed.
const HRESULT kE_KW5_DISK_FULL = static_cast<HRESULT>(0x80040A08u);
} // namespace kw5

#endif

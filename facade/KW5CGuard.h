// The frame of every C interface call: a NULL handle is E_POINTER, and no
// exception crosses into the host (out of memory is E_OUTOFMEMORY, anything
// else E_FAIL).
#ifndef KW5_FACADE_KW5CGUARD_H
#define KW5_FACADE_KW5CGUARD_H

#include "facade/KW5CHandle.h"
#include "kw5/kw5vorlet.h"

#include <new>

template <typename Body> kw5_hresult kw5Guard(KW5Lib* lib, Body&& body) {
    if (lib == nullptr)
        return KW5_E_POINTER;
    try {
        return static_cast<kw5_hresult>(body(*lib));
    } catch (const std::bad_alloc&) {
        return KW5_E_OUTOFMEMORY;
    } catch (...) {
        return KW5_E_FAIL;
    }
}

#endif

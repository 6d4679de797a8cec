// The one translation of internal results into HRESULT values.
#ifndef KW5_FACADE_KW5ERRORRETURNHRESULT_H
#define KW5_FACADE_KW5ERRORRETURNHRESULT_H

#include "facade/KW5FileRet.h"
#include "kw5/Types.h"

// HRESULT_FROM_WIN32 as the library uses it: codes above 0 get the facility
// bits, codes of 0 or less pass unchanged.
HRESULT kw5HresultFromWin32(long code);

HRESULT KW5ErrorReturnHRESULT(const _KW5_FILE_RET& result);

#endif

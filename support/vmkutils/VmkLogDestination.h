// Where the utility library's log lines go.
#ifndef KW5_SUPPORT_VMKUTILS_VMKLOGDESTINATION_H
#define KW5_SUPPORT_VMKUTILS_VMKLOGDESTINATION_H

#include "kw5/Types.h"

namespace vmkutils {

// The file named by the environment variable VMKUTILS_LOG when it is set
// and not empty; else "kw5/vmkutils.log" in the user's state folder, whose
// "kw5" folder is created when missing. Looked up for every line, so the
// log can be moved while the process runs.
bool logFilePath(KW5WString& path);

} // namespace vmkutils

#endif

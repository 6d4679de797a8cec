// The run-time binding of the utility library, for the shared-file log.
//
// The utility library is looked for in one directory, found once per
// process: the directory of the module holding this code when the marker
// file "vmkconfig.xml" lies there; else the first entry of the registry
// value HKEY_LOCAL_MACHINE\SOFTWARE\Quorin Corporation\Tarvel\Repository
// ("/" read as "\", entries separated by ";", a trailing "\" dropped; on
// POSIX the "\" become "/" last); else, without that value, this module's
// directory again.
#ifndef KW5_SUPPORT_VMKUTILSBINDING_H
#define KW5_SUPPORT_VMKUTILSBINDING_H

#include "kw5/Types.h"

class VmkUtilsBase;

// The size of the error text buffer vmkprocaddr writes into.
const size_t kVmkErrorTextSize = 128;

// The utility object of the run-time binding, bound on first use and then
// kept. A failure is written to the emergency log and raised as
// std::runtime_error with the error text; it is not cached, so the next
// call tries again.
VmkUtilsBase* vmkutils_base_stub();

// Loads fileName from the utility directory and returns the address of the
// export, or null with the reason in errorText (kVmkErrorTextSize bytes).
// The library stays loaded for the life of the process.
void* vmkprocaddr(const KW5WChar* fileName, const char* exportName, char* errorText);

// Tests only: forgets the cached directory and object. A non-empty
// moduleDirectory then stands in for the directory of the module holding
// the loader, so a test can place a marker file or a library beside it.
void resetVmkUtilsBindingForTesting(const KW5WString& moduleDirectory = KW5WString());

// Tests only: the cached utility directory (empty until found).
KW5WString vmkUtilityDirectoryForTesting();

#endif

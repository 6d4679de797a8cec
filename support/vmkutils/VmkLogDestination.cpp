#include "support/vmkutils/VmkLogDestination.h"

#include "platform/Environment.h"
#include "platform/Path.h"
#include "platform/PathSpec.h"
#include "platform/UserFolders.h"

namespace vmkutils {

bool logFilePath(KW5WString& path) {
    KW5WString named;
    if (kw5platform::environmentVariable("VMKUTILS_LOG", named) && !named.empty()) {
        path = named;
        return true;
    }
    KW5WString folder;
    if (!kw5platform::userStateFolder(folder))
        return false;
    folder += kw5platform::pathSeparator();
    folder += KW5_WSTR("kw5");
    if (!kw5platform::createFolders(folder))
        return false;
    path = folder + kw5platform::pathSeparator() + KW5_WSTR("vmkutils.log");
    return true;
}

} // namespace vmkutils

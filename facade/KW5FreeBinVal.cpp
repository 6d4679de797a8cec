// Release of the binary records the library hands to hosts.
#include "kw5/CKW5VorletLib.h"

#include "platform/TaskMem.h"

void KW5FreeBinVal(_StructBinVal* record) {
    if (record == nullptr)
        return;
    kw5platform::taskMemFree(record->data);
    delete record;
}

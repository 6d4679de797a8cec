// Reads a tag image through the exported class and through the C interface
// of an installed kw5vorlet; exit code 0 when both give the title.
#include <kw5/CKW5VorletLib.h>
#include <kw5/kw5vorlet.h>

#include <cstdio>

int main() {
    const unsigned char image[] = {'k', 'w', '5', 3, 0, 0, 0, 0, 0, 12, 'T',
                                   'I', 'T', '2', 0, 0, 0, 2, 0, 0, 0,  'T'};
    CKW5VorletLib lib;
    std::vector<KW5WString> values;
    bool ok = lib.Open(image, sizeof image) == 0 &&
              lib.GetString(KW5_FRAME_TIT2, KW5_DESC_NONE, values) == 0 && values.size() == 1 &&
              values[0] == KW5_WSTR("T");
    KW5Lib* handle = nullptr;
    KW5StringList* list = nullptr;
    ok = ok && KW5LibCreate(&handle) == KW5_S_OK &&
         KW5LibOpenImage(handle, image, sizeof image) == KW5_S_OK &&
         KW5LibGetString(handle, KW5_FRAME_TIT2, KW5_DESC_NONE, &list) == KW5_S_OK &&
         list->count == 1 && list->items[0].length == 1 && list->items[0].text[0] == 'T';
    KW5LibFree(list);
    KW5LibDestroy(handle);
    std::puts(ok ? "consumer: ok" : "consumer: failed");
    return ok ? 0 : 1;
}

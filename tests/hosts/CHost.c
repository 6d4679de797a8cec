/* A host in plain C that uses only kw5vorlet.h: it writes a small tagged
 * file, changes it through the C interface, writes it back, and reads it
 * again with a fresh handle.
 *
 * Built twice: as C99 against the C library, and freestanding by a compiler
 * in MSVC mode (KW5_HOST_FREESTANDING), where the only imports are the few
 * kernel32 functions declared below and the DLL, so no Windows SDK and no
 * C runtime are needed. */
#include "kw5/kw5vorlet.h"

static const kw5_char16 kPath[] = {'c', '_', 'h', 'o', 's', 't', '.', 'k', 'w', '5', 0};

#ifdef KW5_HOST_FREESTANDING
typedef void* HANDLE;
__declspec(dllimport) HANDLE
    __stdcall CreateFileW(const kw5_char16* name, unsigned long access, unsigned long share,
                          void* security, unsigned long disposition, unsigned long flags,
                          HANDLE templateFile);
__declspec(dllimport) int __stdcall WriteFile(HANDLE file, const void* data, unsigned long size,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) int __stdcall CloseHandle(HANDLE handle);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

/* GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL. */
static int writeBytes(const unsigned char* bytes, unsigned long size) {
    unsigned long written = 0;
    HANDLE file = CreateFileW(kPath, 0x40000000ul, 0, 0, 2, 0x80, 0);
    int done = file != (HANDLE)(intptr_t)-1 && WriteFile(file, bytes, size, &written, 0) &&
               written == size;
    return file != (HANDLE)(intptr_t)-1 && CloseHandle(file) && done;
}
#else
#include <stdio.h>

static int writeBytes(const unsigned char* bytes, unsigned long size) {
    FILE* file = fopen("c_host.kw5", "wb");
    int done = file != NULL && fwrite(bytes, 1, size, file) == size;
    return file != NULL && fclose(file) == 0 && done;
}
#endif

/* "kw5" 3.0, one TIT2 frame "Old", four bytes of padding, two audio bytes. */
static const unsigned char kFile[] = {'k', 'w', '5', 3,   0, 0, 0, 0, 0,    15,
                                      'T', 'I', 'T', '2', 0, 0, 0, 4, 0,    0,
                                      0,   'O', 'l', 'd', 0, 0, 0, 0, 0xFF, 0xFB};
/* A title beyond Latin-1 and an accented letter. */
static const kw5_char16 kTitle[] = {0x65E5, 0x672C, ' ', 0x00E9, 0};
static const unsigned char kObject[] = {0, 1, 2, 0xFE, 0xFF};
static const kw5_char16 kMime[] = {'a', '/', 'b', 0};

static int sameText(const KW5String* text, const kw5_char16* expected) {
    int32_t i;
    for (i = 0; i < text->length; ++i)
        if (text->text[i] != expected[i])
            return 0;
    return expected[text->length] == 0 && text->text[text->length] == 0;
}

/* 0 when every step gave what it must, else the number of the failed step. */
#define STEP(n, ok)                                                                                \
    if (!(ok))                                                                                     \
        return n;

static int run(void) {
    KW5Lib* lib = NULL;
    KW5String title = {kTitle, KW5_NUL_TERMINATED};
    KW5Binary object = {kObject, sizeof kObject, {kMime, 3}};
    KW5StringList* titles = NULL;
    KW5BinaryList* objects = NULL;
    KW5FrameInfoList* frames = NULL;
    uint32_t i;
    STEP(1, writeBytes(kFile, sizeof kFile) && KW5LibCreate(&lib) == KW5_S_OK);
    STEP(2, KW5LibOpen(lib, kPath, KW5_MODE_READWRITE) == KW5_S_OK);
    STEP(3, KW5LibPutString(lib, 1, 0, &title, 1, 1, 0) == KW5_S_OK);
    STEP(4, KW5LibPutBinary(lib, 15, 124, &object, 1, 0) == KW5_S_OK);
    STEP(5, KW5LibClose(lib, KW5_KIND_GM) == KW5_S_OK);
    KW5LibDestroy(lib);
    STEP(6,
         KW5LibCreate(&lib) == KW5_S_OK && KW5LibOpen(lib, kPath, KW5_MODE_READONLY) == KW5_S_OK);
    STEP(7, KW5LibGetString(lib, 1, 0, &titles) == KW5_S_OK && titles->count == 1 &&
                sameText(&titles->items[0], kTitle));
    STEP(8, KW5LibGetBinary(lib, 15, 124, &objects) == KW5_S_OK && objects->count == 1 &&
                objects->items[0].dataSize == sizeof kObject &&
                sameText(&objects->items[0].mimeType, kMime));
    for (i = 0; i < sizeof kObject; ++i)
        STEP(9, objects->items[0].data[i] == kObject[i]);
    STEP(10, KW5LibListFrames(lib, &frames) == KW5_S_OK && frames->count == 2);
    for (i = 0; i < frames->count; ++i)
        STEP(11, frames->frames[i].id[4] == 0 && frames->frames[i].encoding != 3);
    KW5LibFree(titles);
    KW5LibFree(objects);
    KW5LibFree(frames);
    KW5LibDestroy(lib);
    return 0;
}

#ifdef KW5_HOST_FREESTANDING
void __stdcall hostMain(void) {
    ExitProcess((unsigned)run());
}
#else
int main(void) {
    return run();
}
#endif

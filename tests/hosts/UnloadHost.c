/* Loads kw5vorlet.dll at run time, uses it on a worker thread, unloads it
 * with FreeLibrary while the worker still runs, then lets the worker end and
 * the process exit. A thread-local object of the DLL with a destructor
 * would be destroyed at the worker's end by code no longer there: the
 * thread would not end (or the process would crash). Exit code 0 when the
 * worker ended in time with its work done. Windows only; the kernel32
 * functions are declared here, as the host needs no more than these. */
#include "kw5/kw5vorlet.h"

typedef void* HANDLE;
typedef unsigned long(__stdcall* ThreadStart)(void* argument);
__declspec(dllimport) void* __stdcall LoadLibraryW(const kw5_char16* name);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
__declspec(dllimport) int __stdcall FreeLibrary(void* module);
__declspec(dllimport) HANDLE
    __stdcall CreateThread(void* security, size_t stack, ThreadStart start, void* argument,
                           unsigned long flags, unsigned long* id);
__declspec(dllimport) HANDLE
    __stdcall CreateEventW(void* security, int manual, int initial, const kw5_char16* name);
__declspec(dllimport) int __stdcall SetEvent(HANDLE event);
__declspec(dllimport) unsigned long __stdcall WaitForSingleObject(HANDLE handle, unsigned long ms);
__declspec(dllimport) int __stdcall GetExitCodeThread(HANDLE thread, unsigned long* code);
__declspec(dllimport) HANDLE
    __stdcall CreateFileW(const kw5_char16* name, unsigned long access, unsigned long share,
                          void* security, unsigned long disposition, unsigned long flags,
                          HANDLE templateFile);
__declspec(dllimport) int __stdcall WriteFile(HANDLE file, const void* data, unsigned long size,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) int __stdcall CloseHandle(HANDLE handle);

typedef kw5_hresult(KW5_CALL* CreateFn)(KW5Lib**);
typedef void(KW5_CALL* DestroyFn)(KW5Lib*);
typedef kw5_hresult(KW5_CALL* OpenFn)(KW5Lib*, const kw5_char16*, int32_t);
typedef kw5_hresult(KW5_CALL* ListFn)(KW5Lib*, KW5FrameInfoList**);
typedef void(KW5_CALL* FreeFn)(void*);

static const kw5_char16 kDll[] = {'k', 'w', '5', 'v', 'o', 'r', 'l',
                                  'e', 't', '.', 'd', 'l', 'l', 0};
static const kw5_char16 kPath[] = {'u', 'n', 'l', 'o', 'a', 'd', '.', 'k', 'w', '5', 0};
static const unsigned char kFile[] = {'k', 'w', '5', 3,   0, 0, 0, 0, 0,    15,
                                      'T', 'I', 'T', '2', 0, 0, 0, 4, 0,    0,
                                      0,   'O', 'l', 'd', 0, 0, 0, 0, 0xFF, 0xFB};

static void* gDll;
static HANDLE gUsed;
static HANDLE gMayEnd;

/* Opens the file, lists its frames, then waits until the DLL is gone. */
static unsigned long __stdcall worker(void* argument) {
    CreateFn create = (CreateFn)GetProcAddress(gDll, "KW5LibCreate");
    DestroyFn destroy = (DestroyFn)GetProcAddress(gDll, "KW5LibDestroy");
    OpenFn open = (OpenFn)GetProcAddress(gDll, "KW5LibOpen");
    ListFn list = (ListFn)GetProcAddress(gDll, "KW5LibListFrames");
    FreeFn release = (FreeFn)GetProcAddress(gDll, "KW5LibFree");
    KW5Lib* lib = 0;
    KW5FrameInfoList* frames = 0;
    unsigned long done = 0;
    (void)argument;
    if (create && destroy && open && list && release && create(&lib) == KW5_S_OK) {
        done = open(lib, kPath, KW5_MODE_READONLY) == KW5_S_OK && list(lib, &frames) == KW5_S_OK &&
               frames->count == 1;
        release(frames);
        destroy(lib);
    }
    SetEvent(gUsed);
    WaitForSingleObject(gMayEnd, 0xFFFFFFFFul);
    return done ? 7 : 1;
}

int main(void) {
    unsigned long written = 0, code = 0;
    HANDLE file = CreateFileW(kPath, 0x40000000ul, 0, 0, 2, 0x80, 0);
    HANDLE thread;
    if (file == (HANDLE)(intptr_t)-1 || !WriteFile(file, kFile, sizeof kFile, &written, 0) ||
        !CloseHandle(file))
        return 2;
    gDll = LoadLibraryW(kDll);
    gUsed = CreateEventW(0, 1, 0, 0);
    gMayEnd = CreateEventW(0, 1, 0, 0);
    if (!gDll || !gUsed || !gMayEnd)
        return 3;
    thread = CreateThread(0, 0, worker, 0, 0, 0);
    if (!thread || WaitForSingleObject(gUsed, 30000) != 0)
        return 4;
    if (!FreeLibrary(gDll))
        return 5;
    SetEvent(gMayEnd);
    /* 258 is WAIT_TIMEOUT: the worker could not end. */
    if (WaitForSingleObject(thread, 20000) != 0)
        return 6;
    GetExitCodeThread(thread, &code);
    return code == 7 ? 0 : 8;
}

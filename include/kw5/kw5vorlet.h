/* kw5vorlet.h - the flat C interface of kw5vorlet.
 *
 * For hosts in C, and for hosts built with any compiler (Microsoft's, clang
 * in MSVC mode, other MinGW versions): only plain C types cross it. The
 * exported C++ class (kw5/CKW5VorletLib.h) passes std::wstring and
 * std::vector and MinGW's mangled names, and can be used only by hosts built
 * with the same MinGW-w64 g++ (or g++ on Linux).
 *
 * Conventions of every function:
 *  - The result is an HRESULT: 0 (KW5_S_OK) success, 1 (KW5_S_FALSE) nothing
 *    found or a write refused because of read-only state, negative a failure.
 *    The results are those of the method of CKW5VorletLib of the same name.
 *  - Calling convention KW5_CALL: __stdcall on 32-bit Windows, the platform's
 *    C convention elsewhere. The 32-bit DLL exports the names undecorated
 *    (KW5LibOpen, not _KW5LibOpen@12); import libraries for other compilers
 *    are made from facade/kw5vorlet.def.
 *  - Strings are UTF-16 code units (kw5_char16, 16 bits on every platform,
 *    never wchar_t). Paths, frame ids and descriptions are NUL-terminated;
 *    values are a pointer and a length, where the length
 *    KW5_NUL_TERMINATED means "up to the first NUL".
 *  - Every output (string, string list, binary record, list, blob, image) is
 *    one block that the host releases with KW5LibFree, whatever it holds:
 *    the texts and bytes a list points to live inside the same block. An
 *    output pointer is set to NULL when there is nothing to hand out.
 *  - Inputs stay the host's: the library copies what it keeps.
 *  - One handle is used by one thread at a time.
 */
#ifndef KW5_KW5VORLET_H
#define KW5_KW5VORLET_H

#include <stddef.h>
#include <stdint.h>

#include "kw5/KW5Indices.h"

#if defined(_WIN32) && !defined(_WIN64)
#define KW5_CALL __stdcall
#else
#define KW5_CALL
#endif

#if defined(_WIN32)
#if defined(KW5_BUILDING_LIBRARY)
#define KW5_CAPI __declspec(dllexport)
#else
#define KW5_CAPI __declspec(dllimport)
#endif
#else
#define KW5_CAPI __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint16_t kw5_char16;
typedef int32_t kw5_hresult;

#define KW5_S_OK ((kw5_hresult)0)
#define KW5_S_FALSE ((kw5_hresult)1)
#define KW5_E_NOTIMPL ((kw5_hresult)0x80004001u)
#define KW5_E_POINTER ((kw5_hresult)0x80004003u)
#define KW5_E_FAIL ((kw5_hresult)0x80004005u)
#define KW5_E_OUTOFMEMORY ((kw5_hresult)0x8007000Eu)
#define KW5_E_INVALIDARG ((kw5_hresult)0x80070057u)

#define KW5_NUL_TERMINATED ((int32_t)-1)

/* Open modes. */
#define KW5_MODE_READONLY 1
#define KW5_MODE_READWRITE 2     /* protected frames stay read-only */
#define KW5_MODE_READWRITE_ALL 3 /* protected frames too */

/* Layout kinds of KW5LibUpdate, KW5LibClose and the format calls
 * (0 is GM as well for the format calls). */
#define KW5_KIND_PRASK 1
#define KW5_KIND_GM 2
#define KW5_KIND_STD 3

/* The handle: one open tag. */
typedef struct KW5Lib KW5Lib;

/* One string: text is NUL-terminated in outputs; length counts code units
 * without the NUL. In inputs length may be KW5_NUL_TERMINATED. */
typedef struct KW5String {
    const kw5_char16* text;
    int32_t length;
} KW5String;

/* count strings at items, in the order of the frames they come from. */
typedef struct KW5StringList {
    uint32_t count;
    const KW5String* items;
} KW5StringList;

/* One binary value: an object's bytes and its MIME type. */
typedef struct KW5Binary {
    const unsigned char* data;
    uint32_t dataSize;
    KW5String mimeType;
} KW5Binary;

typedef struct KW5BinaryList {
    uint32_t count;
    const KW5Binary* items;
} KW5BinaryList;

/* A property the host models, for KW5LibGetSDKUnknown. */
typedef struct KW5Property {
    int32_t frameIndex;
    int32_t descIndex;
} KW5Property;

/* One frame of the open tag, as KW5LibListFrames reports it.
 *
 * Layout (offset in bytes, 32-bit / 64-bit):
 *   description        0 /  0   NUL-terminated; "" when the kind has none
 *   value              4 /  8   NUL-terminated decoded text, or NULL for
 *                               objects and frames without a text value
 *   descriptionLength  8 / 16   code units, NUL excluded
 *   valueLength       12 / 20   code units, NUL excluded; 0 without value
 *   size              16 / 24   body size in bytes, as in the frame header
 *   flags             20 / 28   the frame header's flags value: its first flag
 *                               byte in the low half, the second in the high
 *                               half (0x2000, read-only, is 0x20 of the second)
 *   encoding          22 / 30   the body's text-encoding byte (0..3), or
 *                               KW5_NO_ENCODING for kinds without one
 *   id                23 / 31   the four-character frame id and a NUL
 *   total size        28 / 40
 */
#define KW5_NO_ENCODING 0xFFu
typedef struct KW5FrameInfo {
    const kw5_char16* description;
    const kw5_char16* value;
    uint32_t descriptionLength;
    uint32_t valueLength;
    uint32_t size;
    uint16_t flags;
    uint8_t encoding;
    char id[5];
} KW5FrameInfo;

typedef struct KW5FrameInfoList {
    uint32_t count;
    const KW5FrameInfo* frames;
} KW5FrameInfoList;

/* --- blocks and handles --- */

/* Releases any block the library handed out; NULL is ignored. */
KW5_CAPI void KW5_CALL KW5LibFree(void* block);

/* A new handle with no tag open; E_OUTOFMEMORY, E_POINTER for a NULL lib. */
KW5_CAPI kw5_hresult KW5_CALL KW5LibCreate(KW5Lib** lib);
/* Releases the handle and its tag without writing anything; NULL is ignored. */
KW5_CAPI void KW5_CALL KW5LibDestroy(KW5Lib* lib);

/* --- lifecycle --- */

KW5_CAPI kw5_hresult KW5_CALL KW5LibOpen(KW5Lib* lib, const kw5_char16* path, int32_t mode);
/* A tag image in memory (read only; nothing is written back). */
KW5_CAPI kw5_hresult KW5_CALL KW5LibOpenImage(KW5Lib* lib, const unsigned char* image,
                                              int32_t size);
KW5_CAPI kw5_hresult KW5_CALL KW5LibUpdate(KW5Lib* lib, int32_t kind);
KW5_CAPI kw5_hresult KW5_CALL KW5LibClose(KW5Lib* lib, int32_t kind);
KW5_CAPI kw5_hresult KW5_CALL KW5LibGetId3TagSize(KW5Lib* lib, int32_t* size);

/* Every frame of the open tag: the frames that were in the file (or image)
 * in their order there, as the tag now holds them, then the frames added
 * since. *list is a block for KW5LibFree; an empty tag gives S_FALSE and a
 * list of count 0. */
KW5_CAPI kw5_hresult KW5_CALL KW5LibListFrames(KW5Lib* lib, KW5FrameInfoList** list);

/* --- text by (frame index, description index) --- */

/* *values gets the values found (S_FALSE and NULL when none). */
KW5_CAPI kw5_hresult KW5_CALL KW5LibGetString(KW5Lib* lib, int32_t frameIndex, int32_t descIndex,
                                              KW5StringList** values);
/* count 0 deletes the frames of the pair. */
KW5_CAPI kw5_hresult KW5_CALL KW5LibPutString(KW5Lib* lib, int32_t frameIndex, int32_t descIndex,
                                              const KW5String* values, uint32_t count,
                                              int32_t encoding, uint8_t flags);
/* *flags gets *count flag words, one per frame found. */
KW5_CAPI kw5_hresult KW5_CALL KW5LibGetFrameFlag(KW5Lib* lib, int32_t frameIndex, int32_t descIndex,
                                                 uint16_t** flags, uint32_t* count);

/* --- text by frame id (and description) --- */

/* *value is a NUL-terminated string block; length (may be NULL) its units. */
KW5_CAPI kw5_hresult KW5_CALL KW5LibGetPropertyFromDesc(KW5Lib* lib, const kw5_char16* id,
                                                        const kw5_char16* desc, kw5_char16** value,
                                                        int32_t* length);
KW5_CAPI kw5_hresult KW5_CALL KW5LibPutPropertyFromDesc(KW5Lib* lib, const kw5_char16* id,
                                                        const kw5_char16* desc,
                                                        const kw5_char16* value, int32_t length,
                                                        uint8_t flags);
/* Reads the tag of another file without opening it. */
KW5_CAPI kw5_hresult KW5_CALL KW5LibSeekPropertyFromDesc(KW5Lib* lib, const kw5_char16* path,
                                                         const kw5_char16* id,
                                                         const kw5_char16* desc, kw5_char16** value,
                                                         int32_t* length);
KW5_CAPI kw5_hresult KW5_CALL KW5LibGetPropertyFromId(KW5Lib* lib, const kw5_char16* id,
                                                      KW5StringList** values);
KW5_CAPI kw5_hresult KW5_CALL KW5LibPutPropertyFromId(KW5Lib* lib, const kw5_char16* id,
                                                      const KW5String* values, uint32_t count,
                                                      uint8_t flags);
KW5_CAPI kw5_hresult KW5_CALL KW5LibSeekPropertyFromId(KW5Lib* lib, const kw5_char16* path,
                                                       const kw5_char16* id,
                                                       KW5StringList** values);

/* --- binary objects --- */

KW5_CAPI kw5_hresult KW5_CALL KW5LibGetBinary(KW5Lib* lib, int32_t frameIndex, int32_t descIndex,
                                              KW5BinaryList** values);
/* The records stay the host's on every result (the library copies them). */
KW5_CAPI kw5_hresult KW5_CALL KW5LibPutBinary(KW5Lib* lib, int32_t frameIndex, int32_t descIndex,
                                              const KW5Binary* values, uint32_t count,
                                              uint8_t flags);
KW5_CAPI kw5_hresult KW5_CALL KW5LibGetBinaryFromDesc(KW5Lib* lib, const kw5_char16* id,
                                                      const kw5_char16* desc, KW5Binary** value);
/* value NULL deletes the object. */
KW5_CAPI kw5_hresult KW5_CALL KW5LibPutBinaryFromDesc(KW5Lib* lib, const kw5_char16* id,
                                                      const kw5_char16* desc,
                                                      const KW5Binary* value, uint8_t flags);
KW5_CAPI kw5_hresult KW5_CALL KW5LibSeekBinaryFromDesc(KW5Lib* lib, const kw5_char16* path,
                                                       const kw5_char16* id, const kw5_char16* desc,
                                                       KW5Binary** value);

/* --- frames the host does not model, as one blob --- */

KW5_CAPI kw5_hresult KW5_CALL KW5LibGetSDKUnknown(KW5Lib* lib, const KW5Property* known,
                                                  uint32_t knownCount, unsigned char** blob,
                                                  uint32_t* blobSize);
KW5_CAPI kw5_hresult KW5_CALL KW5LibPutSDKUnknown(KW5Lib* lib, const unsigned char* blob,
                                                  int32_t blobSize);

/* --- object tag images in memory --- */

KW5_CAPI kw5_hresult KW5_CALL KW5LibGetSimpleVorletVMKLSI(KW5Lib* lib, const unsigned char* object,
                                                          int32_t objectSize, unsigned char** image,
                                                          int32_t* imageSize);
KW5_CAPI kw5_hresult KW5_CALL KW5LibGetSimpleVorletVMKLSI_VMKOLINF(
    KW5Lib* lib, const unsigned char* object, int32_t objectSize, const unsigned char* secondObject,
    int32_t secondObjectSize, unsigned char** image, int32_t* imageSize);

/* --- layout variants --- */

KW5_CAPI kw5_hresult KW5_CALL KW5LibCheckFileFormat(KW5Lib* lib, const kw5_char16* path,
                                                    int32_t kind);
KW5_CAPI kw5_hresult KW5_CALL KW5LibFormatFile(KW5Lib* lib, const kw5_char16* path, int32_t kind);
KW5_CAPI kw5_hresult KW5_CALL KW5LibCheckAndFormatFile(KW5Lib* lib, const kw5_char16* path,
                                                       int32_t kind);

#ifdef __cplusplus
}
#endif

#endif

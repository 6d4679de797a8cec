// The exported class of kw5vorlet: read and change the KW5 / ID3v2.3 tag at
// the head of an audio file, write it back, check and convert its layout
// variant, move unknown frames between files, and build object tag images.
//
// Who can use it: the class passes std::wstring / std::u16string and
// std::vector and has compiler-specific names, so only hosts built with the
// same compiler and standard library can link it: MinGW-w64 g++ for the
// Windows DLLs, g++ (libstdc++) on Linux. Every other host (Microsoft's
// compiler, clang in MSVC mode, C, other languages) uses the C interface in
// kw5/kw5vorlet.h, which covers every method below with the same results.
//
// Results: every method returns an HRESULT-style 32-bit value
// (include/kw5/HResult.h). 0 S_OK success; 1 S_FALSE "nothing done, and no
// fault": nothing found (a Get or Seek), or a write refused because of
// read-only state (the object was opened read only, the file is read only,
// or the frame is protected: "TLEN", "VMK_ASGTM" and "VMK_SINFO" below mode
// 3); negative values are failures (E_INVALIDARG bad index pair or argument,
// E_POINTER a null output, E_FAIL no open tag or a bad file, E_OUTOFMEMORY,
// kE_KW5_FORMAT a layout rule broken, kE_KW5_DISK_FULL). No exception
// leaves a method. A failed or refused change leaves the open tag as it was.
//
// Ownership: inputs stay the host's (the library copies what it keeps),
// except the records of PutBinary (see there). Lists handed in by reference
// for output are appended to, never cleared; a failing call appends
// nothing. Byte blocks handed to the host come from CoTaskMemAlloc
// (include/kw5/TaskMem.h) and are freed with CoTaskMemFree; binary records
// made by the library (GetBinary) are released with KW5FreeBinVal.
//
// Index pairs: (frame index, description index) name frames through the
// tables of include/kw5/KW5Indices.h (KW5_FRAME_*, KW5_DESC_*).
#ifndef KW5_CKW5VORLETLIB_H
#define KW5_CKW5VORLETLIB_H

#include "kw5/KW5FileRet.h"
#include "kw5/KW5Indices.h"
#include "kw5/Types.h"

#include <memory>
#include <string>
#include <vector>

class KW5Tag;
class KW5Frame;

// One binary value at the export boundary. `data` is a CoTaskMemAlloc block.
// Records made by the library are released with KW5FreeBinVal (data and
// record); records a host makes for PutBinary are new-allocated with data
// from CoTaskMemAlloc, because PutBinary may release them.
struct _StructBinVal {
    unsigned char* data;
    ULONG dataSize;
    KW5WString mimeType;
};

// One property the host models, named by (frame index, description index).
struct _StructProperty {
    LONG frameIndex;
    LONG descIndex;
};

// Format kinds of Update, Close and the format entry points.
enum {
    KW5_FORMAT_PRASK = 1,
    KW5_FORMAT_GM = 2,
    KW5_FORMAT_STD = 3,
};

class KW5_API CKW5VorletLib {
public:
    CKW5VorletLib();
    virtual ~CKW5VorletLib();
    CKW5VorletLib(const CKW5VorletLib&) = delete;
    CKW5VorletLib& operator=(const CKW5VorletLib&) = delete;

    // Lifecycle. Modes: 1 read only, 2 read-write (protected frames stay
    // read-only), 3 read-write including protected frames. Open fails
    // (E_FAIL) while a tag is open, and for write modes on a read-only file.
    LONG Open(const KW5WString& path, LONG mode);
    // A tag image in memory, read only; the bytes are copied.
    LONG Open(const unsigned char* image, LONG size);
    // Writes the changed tag back in the layout `kind` (KW5_FORMAT_*);
    // S_OK without writing when nothing changed or the tag is read only.
    LONG Update(const LONG& kind);
    // Update, then forget the tag whatever Update answered: Update's failure,
    // otherwise S_OK. Unwritten changes are lost with a failed Update.
    LONG Close(const LONG& kind);
    // The size of the tag as read, header included (0 without a tag).
    LONG GetId3TagSize(LONG* size);

    // Text values by (frame index, description index). GetString appends one
    // value per frame found (a series in order); S_FALSE when none is there.
    // PutString replaces the frames of the pair with one frame per value
    // (several only for series and WOAR / WCOM); an empty list deletes them.
    // encoding 0 narrow (thread code page), 1 UTF-16 with BOM, 2 UTF-16 BE.
    // S_FALSE: read only, or a protected frame.
    LONG GetString(LONG frameIndex, LONG descIndex, std::vector<KW5WString>& values);
    LONG PutString(LONG frameIndex, LONG descIndex, const std::vector<KW5WString>& values,
                   LONG encoding, const unsigned char& flags);
    // Appends the flag word of each frame of the pair; S_FALSE when none.
    LONG GetFrameFlag(LONG frameIndex, LONG descIndex, std::vector<unsigned short>& flags);

    // Text properties by frame id, and by frame id and description. The Get
    // and Seek calls answer S_FALSE when the frame is not there (value left
    // as it was) and append to lists; Put with an empty value or list
    // deletes, S_FALSE when read only or protected. Seek reads the tag of
    // another file without opening it (no tag needs to be open).
    LONG GetPropertyFromDesc(const KW5WString& id, const KW5WString& desc, KW5WString& value);
    LONG PutPropertyFromDesc(const KW5WString& id, const KW5WString& desc, const KW5WString& value,
                             const unsigned char& flags);
    LONG SeekPropertyFromDesc(const KW5WString& path, const KW5WString& id, const KW5WString& desc,
                              KW5WString& value);
    LONG GetPropertyFromId(const KW5WString& id, std::vector<KW5WString>& values);
    LONG PutPropertyFromId(const KW5WString& id, const std::vector<KW5WString>& values,
                           const unsigned char& flags);
    LONG SeekPropertyFromId(const KW5WString& path, const KW5WString& id,
                            std::vector<KW5WString>& values);

    // Binary objects ("GEOB"). GetBinary appends one new record per object
    // found (S_FALSE when none); the host releases each with KW5FreeBinVal.
    // PutBinary takes the records over and releases them (data with
    // CoTaskMemFree, the record with delete) on every result except three,
    // where they stay with the host: no tag (E_FAIL before any Open), a
    // read-only object (S_FALSE), and several records for a pair that names
    // a single frame (E_INVALIDARG). An empty list deletes.
    // GetBinaryFromDesc and SeekBinaryFromDesc fill the host's record `value`
    // (it must not be null): data becomes a new CoTaskMemAlloc block the host
    // frees (a block already in `data` is not freed first); S_FALSE when not
    // found. PutBinaryFromDesc copies the record; a null record deletes.
    LONG GetBinary(LONG frameIndex, LONG descIndex, std::vector<_StructBinVal*>& values);
    LONG PutBinary(LONG frameIndex, LONG descIndex, const std::vector<_StructBinVal*>& values,
                   const unsigned char& flags);
    LONG GetBinaryFromDesc(const KW5WString& frameId, const KW5WString& desc,
                           _StructBinVal*& value);
    LONG PutBinaryFromDesc(const KW5WString& frameId, const KW5WString& desc,
                           _StructBinVal* const& value, const unsigned char& flags);
    LONG SeekBinaryFromDesc(const KW5WString& path, const KW5WString& frameId,
                            const KW5WString& desc, _StructBinVal*& value);

    // Frames the host does not model, as one blob (a bare tag image): every
    // frame not named by a pair of `known`. The blob is a CoTaskMemAlloc
    // block for the host (S_FALSE and no block when there are none).
    // PutSDKUnknown copies the blob's frames into the open tag.
    LONG GetSDKUnknown(const std::vector<_StructProperty*>& known, unsigned char*& blob,
                       ULONG& blobSize);
    LONG PutSDKUnknown(const unsigned char* blob, LONG blobSize);

    // Minimal tag images holding one or two objects, built in memory; the
    // image is a CoTaskMemAlloc block for the host.
    LONG GetSimpleVorletVMKLSI(const unsigned char* object, LONG objectSize, unsigned char** image,
                               LONG* imageSize);
    LONG GetSimpleVorletVMKLSI_VMKOLINF(const unsigned char* object, LONG objectSize,
                                        const unsigned char* secondObject, LONG secondObjectSize,
                                        unsigned char** image, LONG* imageSize);

    // Layout variants: 0 and 2 GM, 1 Prask, 3 STD. Check answers S_OK when
    // the file keeps the variant's rules, kE_KW5_FORMAT when it breaks one;
    // Format rewrites the file in the variant.
    LONG CheckFileFormat(const KW5WString& path, const LONG& kind);
    LONG FormatFile(const KW5WString& path, const LONG& kind);
    LONG CheckAndFormatFile(const KW5WString& path, const LONG& kind);

protected:
    LONG clear();
    LONG init();
    LONG KW5ErrorReturnHRESULT(const _KW5_FILE_RET& result);

    int convertKw5Id(const LONG& frameIndex, const LONG& descIndex, std::string& frameId,
                     std::string& desc);
    int checkCanWriteFrame(const std::string& frameId, const std::string& desc);
    int checkReadOnlyFrame(const std::string& frameId, const std::string& desc);
    LONG checkFieldDataSize(const std::string& frameId, KW5WString& value);
    LONG makeStringFrame(const std::string& frameId, const unsigned char& encoding,
                         const std::string& desc, const KW5WString& value,
                         const unsigned short& flags, KW5Frame& frame);
    LONG makeVWstr(const std::vector<KW5Frame>& frames, std::vector<KW5WString>& values);
    LONG deleteFrame(const std::string& frameId, const std::string& desc, const LONG& descIndex);
    LONG deleteFrame(const std::string& frameId, const std::string& desc, const LONG& descIndex,
                     const LONG& openMode, KW5Tag& tag);

    LONG makeBinaryFrame(const std::string& frameId, const unsigned char& encoding,
                         const KW5WString& mimeType, const std::string& desc,
                         const unsigned short& flags, unsigned char* data, ULONG dataSize,
                         KW5Frame& frame);
    LONG makeBinaryStruct(const std::vector<KW5Frame>& frames, std::vector<_StructBinVal*>& values);
    LONG freeBVStruct(const std::vector<_StructBinVal*>& values);

    _KW5_FILE_RET checkKW5FileFormat(const KW5WString& path, const LONG& kind);

    int32_t modified;
    LONG openMode;
    std::unique_ptr<KW5Tag> tag;
    KW5WString path;
    int32_t opened;
};

// Sets the ANSI code page of the calling thread (a Windows code page number
// such as 1252 or 932) used for narrow texts in frames. Returns false when
// the code page is not available.
extern "C" KW5_API bool KW5SetThreadAnsiCodePage(unsigned int codePage);

// Releases one record the library made (GetBinary's records): its data
// block and the record itself, with the library's own allocators, so a host
// never needs to know them. A null record is ignored.
extern "C" KW5_API void KW5FreeBinVal(_StructBinVal* record);

#endif

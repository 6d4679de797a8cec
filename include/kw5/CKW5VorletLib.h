// The exported class of kw5vorlet: read and change the KW5 / ID3v2.3 tag at
// the head of an audio file, write it back, check and convert its layout
// variant, move unknown frames between files, and build object tag images.
//
// Every method returns an HRESULT-style 32-bit result (include/kw5/HResult.h):
// 0 success, 1 (S_FALSE) nothing found or a write refused because of
// read-only state, negative values failures. No exception leaves a method.
// Blocks handed to the host come from CoTaskMemAlloc (include/kw5/TaskMem.h)
// and are freed with CoTaskMemFree.
#ifndef KW5_CKW5VORLETLIB_H
#define KW5_CKW5VORLETLIB_H

#include "kw5/KW5FileRet.h"
#include "kw5/Types.h"

#include <memory>
#include <string>
#include <vector>

class KW5Tag;
class KW5Frame;

// One binary value at the export boundary. `data` is a CoTaskMemAlloc block.
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
    // read-only), 3 read-write including protected frames.
    LONG Open(const KW5WString& path, LONG mode);
    LONG Open(const unsigned char* image, LONG size);
    LONG Update(const LONG& kind);
    LONG Close(const LONG& kind);
    LONG GetId3TagSize(LONG* size);

    // Text values by (frame index, description index).
    LONG GetString(LONG frameIndex, LONG descIndex, std::vector<KW5WString>& values);
    LONG PutString(LONG frameIndex, LONG descIndex, const std::vector<KW5WString>& values,
                   LONG encoding, const unsigned char& flags);
    LONG GetFrameFlag(LONG frameIndex, LONG descIndex, std::vector<unsigned short>& flags);

    // Text properties by frame id, and by frame id and description.
    LONG GetPropertyFromDesc(const KW5WString& id, const KW5WString& desc, KW5WString& value);
    LONG PutPropertyFromDesc(const KW5WString& id, const KW5WString& desc,
                             const KW5WString& value, const unsigned char& flags);
    LONG SeekPropertyFromDesc(const KW5WString& path, const KW5WString& id,
                              const KW5WString& desc, KW5WString& value);
    LONG GetPropertyFromId(const KW5WString& id, std::vector<KW5WString>& values);
    LONG PutPropertyFromId(const KW5WString& id, const std::vector<KW5WString>& values,
                           const unsigned char& flags);
    LONG SeekPropertyFromId(const KW5WString& path, const KW5WString& id,
                            std::vector<KW5WString>& values);

    // Binary objects.
    LONG GetBinary(LONG frameIndex, LONG descIndex, std::vector<_StructBinVal*>& values);
    LONG PutBinary(LONG frameIndex, LONG descIndex, const std::vector<_StructBinVal*>& values,
                   const unsigned char& flags);
    LONG GetBinaryFromDesc(const KW5WString& frameId, const KW5WString& desc,
                           _StructBinVal*& value);
    LONG PutBinaryFromDesc(const KW5WString& frameId, const KW5WString& desc,
                           _StructBinVal* const& value, const unsigned char& flags);
    LONG SeekBinaryFromDesc(const KW5WString& path, const KW5WString& frameId,
                            const KW5WString& desc, _StructBinVal*& value);

    // Frames the host does not model, as one blob (a bare tag image).
    LONG GetSDKUnknown(const std::vector<_StructProperty*>& known, unsigned char*& blob,
                       ULONG& blobSize);
    LONG PutSDKUnknown(const unsigned char* blob, LONG blobSize);

    // Minimal tag images holding one or two objects, built in memory.
    LONG GetSimpleVorletVMKLSI(const unsigned char* object, LONG objectSize,
                               unsigned char** image, LONG* imageSize);
    LONG GetSimpleVorletVMKLSI_VMKOLINF(const unsigned char* object, LONG objectSize,
                                        const unsigned char* secondObject,
                                        LONG secondObjectSize, unsigned char** image,
                                        LONG* imageSize);

    // Layout variants: 0 and 2 GM, 1 Prask, 3 STD.
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
    LONG makeBinaryStruct(const std::vector<KW5Frame>& frames,
                          std::vector<_StructBinVal*>& values);
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

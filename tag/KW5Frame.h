// One frame: its 10 header bytes and its body bytes, both exactly as they
// stand in the file, so that frames the library does not model pass through
// unchanged. Copies of a frame share one body (it is never changed in
// place, only replaced), so copying a tag costs no body bytes; a frame read
// from a tag image may hold its body where it lies in the image.
#ifndef KW5_TAG_KW5FRAME_H
#define KW5_TAG_KW5FRAME_H

#include "facade/KW5FileRet.h"
#include "fields/KW5Field.h"
#include "platform/Types.h"
#include "tag/KW5FrameHeader.h"

#include <memory>
#include <string>
#include <vector>

class KW5FieldBase;

class KW5Frame {
public:
    KW5Frame();
    virtual ~KW5Frame();
    KW5Frame(const KW5Frame&) = default;
    KW5Frame& operator=(const KW5Frame&) = default;
    KW5Frame(KW5Frame&&) = default;
    KW5Frame& operator=(KW5Frame&&) = default;

    // Takes copies of both; KW5_FILE_RET_INVALID_DATA for an empty header.
    _KW5_FILE_RET setFrame(const KW5FrameHeader& header, const KW5Field& body);
    // Takes the body's bytes without copying them (body is left empty).
    _KW5_FILE_RET setFrame(const KW5FrameHeader& header, KW5Field&& body);
    // The body is the size bytes at data, which owner keeps alive (the tag
    // image they lie in); nothing is copied.
    _KW5_FILE_RET setFrameView(const KW5FrameHeader& header, std::shared_ptr<const void> owner,
                               const unsigned char* data, ULONG size);
    // KW5_FILE_RET_INVALID_PARAMETER unless exactly 10 header bytes are held.
    _KW5_FILE_RET splitFrame(KW5FrameHeader& header, KW5Field& body) const;
    // KW5_FILE_RET_BAD_LAYOUT unless exactly 10 header bytes are held.
    _KW5_FILE_RET getHeader(KW5FrameHeader& header) const;
    void clear();

    // Readers over a tag image; position is the offset of the next byte and
    // moves past what was read. All refuse with KW5_FILE_RET_INVALID_DATA
    // anything that would reach past the image.
    static _KW5_FILE_RET readHeader(const unsigned char* image, ULONG length,
                                    KW5FrameHeader& header, ULONG& position);
    // The frame's header, and where its body lies in the image (nothing is
    // copied).
    static _KW5_FILE_RET readFrameAt(const unsigned char* image, ULONG length,
                                     KW5FrameHeader& header, ULONG& bodyAt, ULONG& bodySize,
                                     ULONG& position);
    static _KW5_FILE_RET readFrame(const unsigned char* image, ULONG length, KW5FrameHeader& header,
                                   KW5Field& body, ULONG& position);

    // The frame id; KW5_FILE_RET_INVALID_DATA without a header.
    _KW5_FILE_RET getFrameId(std::string& frameId) const;
    // The description of a TXXX, WXXX or GEOB body; other known frames leave
    // description as given; unknown ids give KW5_FILE_RET_INVALID_PARAMETER.
    _KW5_FILE_RET getDescription(std::string& frameId, std::string& description) const;
    // The first body byte; KW5_FILE_RET_NOT_FOUND for an empty body.
    _KW5_FILE_RET getEncoding(unsigned char& encoding) const;
    _KW5_FILE_RET getPayloadSize(ULONG& size) const;
    // KW5_FILE_RET_READ_ONLY, KW5_FILE_RET_WRITABLE or KW5_FILE_RET_INVALID_DATA.
    _KW5_FILE_RET readOnlyState() const;
    // A compressed or encrypted body: never decoded, re-encoded or cut.
    bool hasSealedBody() const;
    // KW5_FILE_RET_NOT_IMPLEMENTED for a sealed body, whose value cannot be
    // read; else KW5_FILE_RET_OK.
    _KW5_FILE_RET checkValueReadable() const;

    // Re-encodes a text-bearing body in encoding 2 (UTF-16 big-endian).
    _KW5_FILE_RET normalizeEncoding();
    // Replaces the body by the codec's re-encoding of it and fixes the size.
    _KW5_FILE_RET reencodeBody(KW5FrameHeader& header, KW5FieldBase& codec);
    // Cuts the payload to at most maxUnits 16-bit units; no terminator added.
    _KW5_FILE_RET truncatePayload(ULONG maxUnits);

    bool isEqual(const KW5Frame& other) const;

    ULONG headerLength() const { return static_cast<ULONG>(header_.size()); }
    ULONG bodyLength() const { return body_.size; }
    const std::vector<unsigned char>& headerBytes() const { return header_; }
    // The body's bytes (null when there are none).
    const unsigned char* bodyData() const { return body_.data; }

    // size bytes at data, kept alive by owner: a block of their own or the
    // tag image they were read from.
    struct Body {
        std::shared_ptr<const void> owner;
        const unsigned char* data = nullptr;
        ULONG size = 0;
    };

private:
    _KW5_FILE_RET reencodeObjectBody(KW5FrameHeader& header);
    _KW5_FILE_RET replaceBody(const KW5FrameHeader& header, std::vector<unsigned char>&& body);

    std::vector<unsigned char> header_;
    Body body_;
};

typedef std::vector<KW5Frame> KW5FrameList;

#endif

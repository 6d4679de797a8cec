#include "fields/KW5Field.h"

#include "fields/KW5FieldBase.h"
#include "fields/KW5FieldGEOB.h"
#include "fields/KW5FieldT.h"
#include "fields/KW5FieldTXXX.h"
#include "fields/KW5FieldW.h"
#include "fields/KW5FieldWXXX.h"
#include "platform/CodePage.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

// The four id bytes as one number, first byte highest, so an id is found by
// comparing numbers instead of strings.
constexpr uint32_t packId(const char (&id)[5]) {
    return uint32_t(uint8_t(id[0])) << 24 | uint32_t(uint8_t(id[1])) << 16 |
           uint32_t(uint8_t(id[2])) << 8 | uint32_t(uint8_t(id[3]));
}

constexpr uint32_t kStandardFrameIds[] = {
    packId("AENC"), packId("APIC"), packId("COMM"), packId("COMR"), packId("ENCR"),
    packId("EQUA"), packId("ETCO"), packId("GRID"), packId("IPLS"), packId("LINK"),
    packId("MCDI"), packId("MLLT"), packId("OWNE"), packId("PRIV"), packId("PCNT"),
    packId("POPM"), packId("POSS"), packId("RBUF"), packId("RVAD"), packId("RVRB"),
    packId("SYLT"), packId("SYTC"), packId("UFID"), packId("USER"), packId("USLT"),
};

} // namespace

bool isStandardFrameId(const std::string& frameId) {
    if (frameId.size() != 4)
        return false;
    uint32_t packed = 0;
    for (char c : frameId)
        packed = packed << 8 | uint8_t(c);
    for (uint32_t id : kStandardFrameIds) {
        if (packed == id)
            return true;
    }
    return false;
}

KW5Field::KW5Field() {}

KW5Field::~KW5Field() {}

_KW5_FILE_RET KW5Field::setBytes(const unsigned char* bytes, ULONG length) {
    clear();
    if (length == 0)
        return KW5_FILE_RET_OK;
    if (!bytes)
        return KW5_FILE_RET_NULL_POINTER;
    try {
        bytes_.assign(bytes, bytes + length);
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

std::vector<unsigned char> KW5Field::takeBytes() {
    std::vector<unsigned char> bytes;
    bytes.swap(bytes_);
    return bytes;
}

_KW5_FILE_RET KW5Field::getSize(ULONG& length) const {
    length = static_cast<ULONG>(bytes_.size());
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Field::getFirstByte(unsigned char& byte) const {
    if (bytes_.empty())
        return KW5_FILE_RET_FAILED;
    byte = bytes_[0];
    return KW5_FILE_RET_OK;
}

void KW5Field::clear() {
    bytes_.clear();
    bytes_.shrink_to_fit();
}

_KW5_FILE_RET KW5Field::encodeWith(KW5FieldBase& codec, KW5FieldInfo& record) {
    clear();
    _KW5_FILE_RET result = codec.encode(record);
    if (result != KW5_FILE_RET_OK)
        return result;
    ULONG size = 0;
    result = codec.getSize(size);
    if (result != KW5_FILE_RET_OK)
        return result;
    if (size == 0)
        return KW5_FILE_RET_OK;
    try {
        bytes_.assign(size, 0);
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    result = codec.getData(bytes_.data(), size);
    if (result != KW5_FILE_RET_OK)
        clear();
    return result;
}

_KW5_FILE_RET KW5Field::getDataOffset(KW5FieldInfo& record, ULONG& offset) const {
    return dataOffsetOf(bytes_.data(), static_cast<ULONG>(bytes_.size()), record, offset);
}

_KW5_FILE_RET KW5Field::dataOffsetOf(const unsigned char* bytes, ULONG length, KW5FieldInfo& record,
                                     ULONG& offset) {
    const std::string& frameId = record.frameId();
    // The leading fields are parsed where the body lies: a copy of a large
    // object only to read its description would cost more than the parse.
    if (frameId == "GEOB")
        return KW5FieldGEOB::decodeBody(bytes, length, record, offset);
    if (frameId == "TXXX" || frameId == "WXXX")
        return KW5FieldTXXX::decodeDescription(bytes, length, record, offset);
    if (!frameId.empty() && frameId[0] == 'T') {
        offset = 1;
        return KW5_FILE_RET_OK;
    }
    if ((!frameId.empty() && frameId[0] == 'W') || isStandardFrameId(frameId)) {
        offset = 0;
        return KW5_FILE_RET_OK;
    }
    return KW5_FILE_RET_INVALID_PARAMETER;
}

_KW5_FILE_RET KW5Field::payloadOffset(const std::string& frameId, ULONG& offset) const {
    KW5FieldInfo record;
    record.setFrameId(frameId);
    return getDataOffset(record, offset);
}

_KW5_FILE_RET KW5Field::getPayload(const std::string& frameId,
                                   std::vector<unsigned char>& payload) const {
    ULONG offset = 0;
    _KW5_FILE_RET result = payloadOffset(frameId, offset);
    if (result != KW5_FILE_RET_OK)
        return result;
    try {
        if (offset < bytes_.size())
            payload.assign(bytes_.begin() + offset, bytes_.end());
        else
            payload.clear();
    } catch (const std::bad_alloc&) {
        return KW5_FILE_RET_OUT_OF_MEMORY;
    }
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Field::getPayloadSize(const std::string& frameId, ULONG& size) const {
    ULONG offset = 0;
    _KW5_FILE_RET result = payloadOffset(frameId, offset);
    if (result != KW5_FILE_RET_OK)
        return result;
    size = offset < bytes_.size() ? static_cast<ULONG>(bytes_.size()) - offset : 0;
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Field::getDescription(const std::string& frameId, std::string& description,
                                       bool* exact) const {
    return describeBytes(bytes_.data(), static_cast<ULONG>(bytes_.size()), frameId, description,
                         exact);
}

_KW5_FILE_RET KW5Field::describeBytes(const unsigned char* bytes, ULONG length,
                                      const std::string& frameId, std::string& description,
                                      bool* exact) {
    KW5FieldInfo record;
    record.setFrameId(frameId);
    record.setDescription(description);
    ULONG offset = 0;
    _KW5_FILE_RET result = dataOffsetOf(bytes, length, record, offset);
    if (result != KW5_FILE_RET_OK)
        return result;
    description = record.description();
    if (exact)
        *exact = record.textsExact();
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Field::getMimeType(const std::string& frameId, KW5WString& mimeType) const {
    if (bytes_.empty())
        return KW5_FILE_RET_INVALID_DATA;
    KW5FieldInfo record;
    record.setFrameId(frameId);
    ULONG offset = 0;
    _KW5_FILE_RET result = getDataOffset(record, offset);
    if (result != KW5_FILE_RET_OK)
        return result;
    KW5WString wide;
    if (!kw5platform::convertToWide(record.mimeType(), wide))
        return KW5_FILE_RET_BUFFER_ERROR;
    mimeType.swap(wide);
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Field::buildTextField(KW5FieldInfo& record) {
    clear();
    const std::string& frameId = record.frameId();
    if (frameId.empty())
        return KW5_FILE_RET_INVALID_PARAMETER;
    if (frameId == "TXXX") {
        KW5FieldTXXX codec;
        return encodeWith(codec, record);
    }
    if (frameId == "WXXX") {
        KW5FieldWXXX codec;
        return encodeWith(codec, record);
    }
    if (frameId[0] == 'T') {
        KW5FieldT codec;
        return encodeWith(codec, record);
    }
    if (frameId[0] == 'W') {
        KW5FieldW codec;
        return encodeWith(codec, record);
    }
    // Objects and other frames are not built from text.
    return KW5_FILE_RET_OK;
}

_KW5_FILE_RET KW5Field::buildObjectField(KW5FieldInfo& record) {
    clear();
    if (record.frameId() != "GEOB")
        return KW5_FILE_RET_FAILED;
    KW5FieldGEOB codec;
    return encodeWith(codec, record);
}

// A frame body decoded into its named parts.
#ifndef KW5_FIELDS_KW5FIELDINFO_H
#define KW5_FIELDS_KW5FIELDINFO_H

#include "platform/Types.h"

#include <string>
#include <vector>

class KW5FieldInfo {
public:
    KW5FieldInfo();
    virtual ~KW5FieldInfo();

    const std::string& frameId() const { return frameId_; }
    void setFrameId(const std::string& id) { frameId_ = id; }
    const std::string& mimeType() const { return mimeType_; }
    void setMimeType(const std::string& mime) { mimeType_ = mime; }
    const std::string& fileName() const { return fileName_; }
    void setFileName(const std::string& name) { fileName_ = name; }
    const std::string& description() const { return description_; }
    void setDescription(const std::string& desc) { description_ = desc; }
    unsigned char encoding() const { return encoding_; }
    void setEncoding(unsigned char encoding) { encoding_ = encoding; }
    const KW5WString& value() const { return value_; }
    void setValue(const KW5WString& value) { value_ = value; }
    const std::vector<unsigned char>& data() const { return data_; }
    void setData(const unsigned char* bytes, ULONG size);
    void setData(std::vector<unsigned char> bytes) { data_ = std::move(bytes); }
    // False when a decoded description or file name does not come back the
    // same through the thread's code page: the body must not be rebuilt
    // from this record.
    bool textsExact() const { return textsExact_; }
    void setTextsExact(bool exact) { textsExact_ = exact; }

    // Empties every string, encoding 0, no object data.
    void clear();

private:
    std::string frameId_;
    std::string mimeType_;
    std::string fileName_;
    std::string description_;
    unsigned char encoding_;
    KW5WString value_;
    std::vector<unsigned char> data_;
    bool textsExact_ = true;
};

#endif

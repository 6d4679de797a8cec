#include "fields/KW5FieldInfo.h"

KW5FieldInfo::KW5FieldInfo() : encoding_(0) {}

KW5FieldInfo::~KW5FieldInfo() {}

void KW5FieldInfo::setData(const unsigned char* bytes, ULONG size) {
    if (!bytes || size == 0) {
        data_.clear();
        return;
    }
    data_.assign(bytes, bytes + size);
}

void KW5FieldInfo::clear() {
    frameId_.clear();
    mimeType_.clear();
    fileName_.clear();
    description_.clear();
    encoding_ = 0;
    value_.clear();
    data_.clear();
    data_.shrink_to_fit();
    textsExact_ = true;
}

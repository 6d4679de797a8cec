#include "storage/KW5SpareBuffer.h"

namespace kw5storage {

namespace {

std::vector<unsigned char>& spare() {
    thread_local std::vector<unsigned char> buffer;
    return buffer;
}

} // namespace

void takeSpareBuffer(std::vector<unsigned char>& buffer, size_t wanted) {
    buffer.clear();
    std::vector<unsigned char>& parked = spare();
    if (buffer.capacity() < wanted && parked.capacity() >= wanted)
        buffer.swap(parked);
    buffer.clear();
}

void parkSpareBuffer(std::vector<unsigned char>& buffer) {
    buffer.clear();
    std::vector<unsigned char>& parked = spare();
    if (buffer.capacity() <= kMaxSpareBytes && buffer.capacity() > parked.capacity())
        buffer.swap(parked);
    std::vector<unsigned char>().swap(buffer);
}

} // namespace kw5storage

#include "storage/KW5SpareBuffer.h"

#include <mutex>

namespace kw5storage {

namespace {

std::mutex spareLock;

// Released with the library's other statics (at exit, or when the library
// is unloaded).
std::vector<unsigned char>& spare() {
    static std::vector<unsigned char> buffer;
    return buffer;
}

} // namespace

void takeSpareBuffer(std::vector<unsigned char>& buffer, size_t wanted) {
    std::lock_guard<std::mutex> hold(spareLock);
    std::vector<unsigned char>& parked = spare();
    if (buffer.capacity() < wanted && parked.capacity() >= wanted)
        buffer.swap(parked);
}

void parkSpareBuffer(std::vector<unsigned char>& buffer) {
    {
        std::lock_guard<std::mutex> hold(spareLock);
        std::vector<unsigned char>& parked = spare();
        if (buffer.capacity() <= kMaxSpareBytes && buffer.capacity() > parked.capacity())
            buffer.swap(parked);
    }
    std::vector<unsigned char>().swap(buffer);
}

} // namespace kw5storage

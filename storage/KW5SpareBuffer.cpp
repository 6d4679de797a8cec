#include "storage/KW5SpareBuffer.h"

#include <atomic>
#include <mutex>

namespace kw5storage {

namespace {

std::mutex spareLock;
// Set when the spare is destroyed with the library's statics. A tag image
// can outlive them (a host's global object released at exit), and is then
// simply freed.
std::atomic<bool> spareGone{false};

struct Spare {
    std::vector<unsigned char> bytes;
    ~Spare() { spareGone = true; }
};

// The parked buffer; null once the statics are gone.
std::vector<unsigned char>* spare() {
    static Spare holder;
    return spareGone ? nullptr : &holder.bytes;
}

} // namespace

void takeSpareBuffer(std::vector<unsigned char>& buffer, size_t wanted) {
    std::lock_guard<std::mutex> hold(spareLock);
    std::vector<unsigned char>* parked = spare();
    if (parked != nullptr && buffer.capacity() < wanted && parked->capacity() >= wanted)
        buffer.swap(*parked);
}

void parkSpareBuffer(std::vector<unsigned char>& buffer) {
    {
        std::lock_guard<std::mutex> hold(spareLock);
        std::vector<unsigned char>* parked = spare();
        if (parked != nullptr && buffer.capacity() <= kMaxSpareBytes &&
            buffer.capacity() > parked->capacity())
            buffer.swap(*parked);
    }
    std::vector<unsigned char>().swap(buffer);
}

} // namespace kw5storage

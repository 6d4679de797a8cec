// One spare tag buffer for the process, kept between KW5File objects.
//
// A host that opens file after file frees a tag buffer of ~100 KiB at the
// end of each Open; the allocator hands such a block back to the system
// and the next read faults every page in again, which costs more than the
// read itself. The buffer of the last KW5File on the thread is parked here
// instead and taken up by the next one. Blocks above kMaxSpareBytes are
// released as usual, so at most that much stays allocated per thread.
#ifndef KW5_STORAGE_KW5SPAREBUFFER_H
#define KW5_STORAGE_KW5SPAREBUFFER_H

#include <cstddef>
#include <vector>

namespace kw5storage {

const size_t kMaxSpareBytes = 1024 * 1024;

// When buffer has less room than wanted and the spare has enough,
// buffer takes the spare's storage. The bytes it then holds are stale: the
// caller sizes it and overwrites them (growing within the old size costs no
// zero-filling).
void takeSpareBuffer(std::vector<unsigned char>& buffer, size_t wanted);
// Parks buffer's storage as the spare when it is no larger than
// kMaxSpareBytes and larger than the spare already parked; otherwise the
// storage is released. buffer is left empty.
void parkSpareBuffer(std::vector<unsigned char>& buffer);

} // namespace kw5storage

#endif

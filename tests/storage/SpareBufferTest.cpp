// The spare tag buffer: reused storage, the size cap, and reads
// through it that never show bytes of an earlier file.
#include "storage/KW5File.h"
#include "storage/KW5SpareBuffer.h"
#include "tests/common/TempDir.h"
#include "tests/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using kw5test::hex;
using kw5test::hostPath;
using kw5test::TempDir;
using storagetest::Bytes;
using storagetest::join;

namespace {

// Leaves the thread without a spare: whatever is parked is taken and freed.
void dropSpare() {
    std::vector<unsigned char> taken;
    kw5storage::takeSpareBuffer(taken, 1);
}

TEST(SpareBuffer, ParkedStorageIsTakenUpAgain) {
    dropSpare();
    std::vector<unsigned char> first(4096, 0x11);
    const unsigned char* storage = first.data();
    kw5storage::parkSpareBuffer(first);
    EXPECT_TRUE(first.empty());
    EXPECT_EQ(first.capacity(), 0u);

    std::vector<unsigned char> next;
    kw5storage::takeSpareBuffer(next, 1000);
    EXPECT_TRUE(next.empty());
    EXPECT_EQ(next.data(), storage);
    EXPECT_GE(next.capacity(), 4096u);
    // The spare is gone now: a second taker gets nothing.
    std::vector<unsigned char> other;
    kw5storage::takeSpareBuffer(other, 1000);
    EXPECT_EQ(other.capacity(), 0u);
    kw5storage::parkSpareBuffer(next);
}

TEST(SpareBuffer, TooSmallOrTooLargeIsNotUsed) {
    dropSpare();
    std::vector<unsigned char> small(100);
    kw5storage::parkSpareBuffer(small);
    std::vector<unsigned char> wanting;
    kw5storage::takeSpareBuffer(wanting, 200); // the spare cannot hold 200 bytes
    EXPECT_EQ(wanting.capacity(), 0u);

    // A larger block replaces the parked one; one above the cap is released.
    std::vector<unsigned char> larger(5000);
    const unsigned char* largerStorage = larger.data();
    kw5storage::parkSpareBuffer(larger);
    std::vector<unsigned char> huge(kw5storage::kMaxSpareBytes + 1);
    kw5storage::parkSpareBuffer(huge);
    EXPECT_EQ(huge.capacity(), 0u);
    kw5storage::takeSpareBuffer(wanting, 4000);
    EXPECT_EQ(wanting.data(), largerStorage);
    kw5storage::parkSpareBuffer(wanting);
}

// One spare for the process (no thread-local object may outlive an unloaded
// library): a block parked on one thread is taken up on another, once.
TEST(SpareBuffer, OneSpareForAllThreads) {
    dropSpare();
    std::vector<unsigned char> mine(3000);
    const unsigned char* storage = mine.data();
    kw5storage::parkSpareBuffer(mine);
    const unsigned char* seenElsewhere = nullptr;
    std::thread([&] {
        std::vector<unsigned char> theirs;
        kw5storage::takeSpareBuffer(theirs, 10);
        seenElsewhere = theirs.data();
        kw5storage::parkSpareBuffer(theirs);
    }).join();
    EXPECT_EQ(seenElsewhere, storage);
    std::vector<unsigned char> back;
    kw5storage::takeSpareBuffer(back, 10);
    EXPECT_EQ(back.data(), storage);
    std::vector<unsigned char> none;
    kw5storage::takeSpareBuffer(none, 10);
    EXPECT_EQ(none.capacity(), 0u);
    kw5storage::parkSpareBuffer(back);
}

TEST(SpareBuffer, ReadsAfterALargerTagShowOnlyTheirOwnBytes) {
    TempDir dir;
    // A 3072-byte tag full of 0xAB after its header, then a short file
    // whose header announces 300 bytes but holds only 40.
    Bytes large = join(hex("6B 77 35 03 00 00 00 00 17 76"), Bytes(3062, 0xAB));
    Bytes cut = join(hex("6B 77 35 03 00 00 00 00 02 22"), Bytes(30, 0x01));
    kw5test::writeFile(dir.file("large"), join(large, Bytes(100, 0xFF)));
    kw5test::writeFile(dir.file("cut"), cut);
    for (int round = 0; round < 2; ++round) {
        {
            KW5File file;
            ASSERT_EQ(file.read(hostPath(dir.file("large")), 1), KW5_FILE_RET_OK);
            EXPECT_EQ(file.buffer(), large);
        }
        KW5File file;
        ASSERT_EQ(file.read(hostPath(dir.file("cut")), 1), KW5_FILE_RET_OK);
        EXPECT_EQ(file.buffer(), cut);
        EXPECT_EQ(file.bufferLength(), 40u);
    }
    // A file without a tag reads as an empty buffer, also after the others.
    kw5test::writeFile(dir.file("plain"), Bytes(64, 0x55));
    KW5File file;
    ASSERT_EQ(file.read(hostPath(dir.file("plain")), 1), KW5_FILE_RET_OK);
    EXPECT_EQ(file.bufferLength(), 0u);
}

} // namespace

// Writers against each other, other users, odd targets, no memory, and a
// lock held by another process. The children are this test program run
// again (the test FacadeUpdateChild), through setpriv where they must run
// as another user.
#ifndef _WIN32
#include "Driver.h"
#include "tests/common/TempDir.h"

#include "kw5/CKW5VorletLib.h"
#include "kw5/HResult.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <thread>

using namespace kw5;
using namespace kw5test;
namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

int sh(const std::string& command) {
    return std::system(command.c_str());
}

std::string title(const fs::path& file) {
    CKW5VorletLib lib;
    std::vector<KW5WString> values;
    EXPECT_EQ(kS_OK, lib.Open(hostPath(file), 1));
    lib.GetString(1, 0, values);
    return values.size() == 1 ? utf8(values[0]) : "?";
}

// "action" run by the child test on target, as uid:gid unless user is empty.
std::string child(const std::string& action, const fs::path& target, const std::string& user,
                  const fs::path& log) {
    std::string command =
        "env KW5_CHILD=" + action + " KW5_CHILD_PATH=" + quoted(target.string()) + " TMPDIR=/tmp ";
    if (!user.empty())
        command += "setpriv --reuid=" + user.substr(0, user.find(':')) +
                   " --regid=" + user.substr(user.find(':') + 1) + " --clear-groups ";
    return command + quoted(fs::read_symlink("/proc/self/exe").string()) +
           " --gtest_filter=FacadeUpdateChild.* >>" + quoted(log.string()) + " 2>&1";
}

// owner:group:mode:links:type of a file.
std::string identity(const fs::path& file, const fs::path& scratch) {
    sh("stat -c %u:%g:%a:%h:%F " + quoted(file.string()) + " >" + quoted(scratch.string()));
    return readText(scratch);
}

bool endsWith(const Bytes& whole, const Bytes& tail) {
    return whole.size() >= tail.size() &&
           std::equal(tail.begin(), tail.end(), whole.end() - tail.size());
}

// The sanitizers own the allocator; a second replacement would pair their
// operator new with our free.
#if defined(__SANITIZE_ADDRESS__)
#define KW5_TEST_OWN_ALLOCATOR 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KW5_TEST_OWN_ALLOCATOR 0
#endif
#endif
#ifndef KW5_TEST_OWN_ALLOCATOR
#define KW5_TEST_OWN_ALLOCATOR 1
#endif

// The allocation after `gFailAfter` more succeeds throws std::bad_alloc once.
std::atomic<long> gFailAfter{-1};
std::atomic<bool> gFailed{false};

} // namespace

#if KW5_TEST_OWN_ALLOCATOR
// Never inlined, so that a tool replacing the allocator (valgrind with
// --soname-synonyms=somalloc=NONE) replaces both halves of the pair.
__attribute__((noinline)) void* operator new(std::size_t size) {
    if (gFailAfter.load() >= 0 && gFailAfter.fetch_sub(1) == 0) {
        gFailAfter = -1;
        gFailed = true;
        throw std::bad_alloc();
    }
    void* block = std::malloc(size ? size : 1);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
__attribute__((noinline)) void operator delete(void* block) noexcept {
    std::free(block);
}
__attribute__((noinline)) void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

// The body of the child processes; skipped when run on its own.
TEST(FacadeUpdateChild, Run) {
    const char* action = std::getenv("KW5_CHILD");
    const char* target = std::getenv("KW5_CHILD_PATH");
    if (action == nullptr || target == nullptr)
        GTEST_SKIP() << "runs only as a child of the tests below";
    const KW5WString path = hostPath(target);
    const std::string what = action;
    CKW5VorletLib lib;
    if (what == "edit" || what == "refuse") {
        ASSERT_EQ(kS_OK, lib.Open(path, 2));
        ASSERT_EQ(kS_OK, lib.PutString(1, 0, {hostString("Edited")}, 0, 0));
        ASSERT_EQ(kS_OK, lib.PutString(7, 0, {KW5WString(4000, 'e')}, 0, 0));
        EXPECT_EQ(what == "edit" ? kS_OK : kE_FAIL, lib.Close(3));
        EXPECT_EQ(what == "edit" ? kS_OK : kE_FAIL, lib.FormatFile(path, 1));
        return;
    }
    // A writer among others: retries what another writer holds; each round
    // alternately above and below one padding unit (remakes and in-place).
    for (int round = 0; round < 60; ++round) {
        CKW5VorletLib one;
        const auto retried = [](auto call) {
            HRESULT hr = kE_FAIL;
            for (int tries = 0; tries < 300 && (hr = call()) != kS_OK; ++tries)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return hr;
        };
        ASSERT_EQ(kS_OK, retried([&] { return one.Open(path, 2); })) << round;
        ASSERT_EQ(kS_OK, one.PutString(1, 0, {hostString(what + std::to_string(round))}, 0, 0));
        ASSERT_EQ(kS_OK,
                  one.PutString(7, 0, {KW5WString(round % 3 ? 300 + round : 4000, 'f')}, 0, 0));
        ASSERT_EQ(kS_OK, retried([&] { return one.Update(3); })) << round;
    }
}

TEST(FacadeProcess, TwoProcessesUpdatingOneFileNeverMixIt) {
    TempDir dir;
    const fs::path file = dir.file("u.kw5"), log = dir.file("log");
    const Bytes sound = build("notag,audio=300000");
    writeFile(file, build("TIT2=Start,audio=300000"));
    const int status =
        sh("(" + child("A", file, "", log) + ") & first=$!; " + child("B", file, "", log) +
           "; second=$?; wait $first; exit $((second | $?))");
    const std::string out = readText(log);
    EXPECT_EQ(0, status) << out;
    // Both children really ran (a child that skips passes too).
    EXPECT_NE(out.find("[       OK ] FacadeUpdateChild.Run"),
              out.rfind("[       OK ] FacadeUpdateChild.Run"));
    const std::string last = title(file);
    EXPECT_TRUE(last == "A59" || last == "B59") << last;
    EXPECT_TRUE(endsWith(readFile(file), sound));
}

// Each row: the file's owner, group and mode, who edits it, and what must
// come out: the edit (identity, links and attributes kept) or a refusal
// (the file as it was).
TEST(FacadeProcess, OtherUsersKeepTheFileItsIdentityOrLeaveItAlone) {
    if (sh("[ $(id -u) = 0 ] && command -v setpriv >/dev/null") != 0)
        GTEST_SKIP() << "needs root (to make files of other users) and setpriv";
    const std::string other = "65534:4242", group = "0:4242";
    const struct {
        const char* name;
        std::string owner, mode, editor; // editor "": root itself
        bool link, edited;
    } rows[] = {
        {"group member edits a group-writable file", group, "664", other, false, true},
        {"owner edits a hard-linked file", other, "644", other, true, true},
        {"root edits another user's file", other, "640", "", true, true},
        {"no write permission", "0:0", "644", other, false, false},
        {"group without write permission", group, "644", other, false, false},
    };
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);
    const fs::path target = dir.file("u.kw5"), alias = dir.file("alias.kw5");
    const fs::path scratch = dir.file("stat"), log = dir.file("log");
    const Bytes before = build("TIT2=Old,audio=5000"), sound = build("notag,audio=5000");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(target, before);
        fs::remove(alias);
        fs::remove(log);
        ASSERT_EQ(0,
                  sh("chown " + row.owner + " " + quoted(target.string()) + " && chmod " +
                     row.mode + " " + quoted(target.string()) +
                     (row.link ? " && ln " + quoted(target.string()) + " " + quoted(alias.string())
                               : "")));
        const bool attribute =
            sh("setfattr -n user.kw5 -v kept " + quoted(target.string()) + " 2>/dev/null") == 0;
        const std::string was = identity(target, scratch);
        EXPECT_EQ(0, sh(child(row.edited ? "edit" : "refuse", target, row.editor, log)))
            << readText(log);
        EXPECT_EQ(was, identity(target, scratch));
        if (attribute) {
            EXPECT_EQ(0, sh("getfattr -n user.kw5 " + quoted(target.string()) +
                            " 2>/dev/null | grep -q kept"));
        }
        if (!row.edited) {
            EXPECT_EQ(before, readFile(target));
            continue;
        }
        EXPECT_EQ("Edited", title(target));
        EXPECT_TRUE(endsWith(readFile(target), sound));
        if (row.link) {
            EXPECT_EQ(readFile(target), readFile(alias));
        }
    }
}

// Devices, FIFOs and files nobody may write are refused by every write
// path and stay what they were.
TEST(FacadeProcess, TargetsThatAreNoWritableFilesAreRefused) {
    TempDir dir;
    const fs::path target = dir.file("t"), scratch = dir.file("stat");
    const Bytes tagged = build("TIT2=Old,audio=5000");
    writeFile(dir.file("t.src"), tagged);
    const std::string t = quoted(target.string());
    for (const std::string& make :
         {"mknod " + t + " c 1 3", "mkfifo " + t, "cp " + t + ".src " + t + " && chmod 444 " + t}) {
        SCOPED_TRACE(make);
        fs::remove(target);
        ASSERT_EQ(0, sh(make));
        const std::string was = identity(target, scratch);
        const KW5WString path = hostPath(target);
        CKW5VorletLib lib;
        if (lib.Open(path, 3) == kS_OK) {
            ASSERT_EQ(kS_OK, lib.PutString(1, 0, {hostString("New")}, 0, 0));
            EXPECT_EQ(kE_FAIL, lib.Update(3));
            EXPECT_EQ(kE_FAIL, lib.Close(3));
        }
        EXPECT_EQ(kE_FAIL, lib.FormatFile(path, 1));
        EXPECT_EQ(kE_FAIL, lib.CheckAndFormatFile(path, 2));
        EXPECT_EQ(was, identity(target, scratch));
        if (fs::is_regular_file(target)) {
            EXPECT_EQ(tagged, readFile(target));
        }
    }
}

// Whichever allocation of an Update fails, the file is the old one (and the
// change waits for the next Update) or the whole new one; no temporary file
// stays behind.
TEST(FacadeProcess, AnUpdateWithoutMemoryWritesAllOrNothing) {
    if (!KW5_TEST_OWN_ALLOCATOR)
        GTEST_SKIP() << "the sanitizers own the allocator";
    TempDir dir;
    const fs::path tmp = dir.file("tmp"), file = dir.file("u.kw5");
    fs::create_directories(tmp);
    const std::string oldTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    ::setenv("TMPDIR", tmp.string().c_str(), 1);
    const Bytes before = build("TIT2=Old,TXXX:VMK_TIT2S=Sort,pad=40,audio=5000");
    auto edit = [&](CKW5VorletLib& lib) {
        writeFile(file, before);
        EXPECT_EQ(kS_OK, lib.Open(hostPath(file), 2));
        EXPECT_EQ(kS_OK, lib.PutString(7, 0, {KW5WString(3000, 'b')}, 0, 0));
    };
    CKW5VorletLib reference;
    edit(reference);
    ASSERT_EQ(kS_OK, reference.Update(3));
    const Bytes after = readFile(file);
    for (long countdown = 0; !::testing::Test::HasFailure(); ++countdown) {
        SCOPED_TRACE(countdown);
        CKW5VorletLib lib;
        edit(lib);
        gFailed = false;
        gFailAfter = countdown;
        const HRESULT hr = lib.Update(3);
        gFailAfter = -1;
        EXPECT_TRUE(fs::is_empty(tmp));
        if (hr != kS_OK) {
            EXPECT_EQ(before, readFile(file));
            EXPECT_EQ(kS_OK, lib.Update(3));
        }
        EXPECT_EQ(after, readFile(file));
        if (!gFailed)
            break;
    }
    oldTmp.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", oldTmp.c_str(), 1);
}

// Another process holds an exclusive lock (the platform emulates the share
// modes of Windows with flock): Open retries for about 200 ms, then fails;
// once the lock is gone the same object opens the file.
TEST(FacadeProcess, FileLockedByAnotherProcess) {
    if (sh("command -v flock >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "flock(1) is not available";
    TempDir dir;
    const std::string file = dir.file("f").string(), ready = dir.file("ready").string();
    writeFile(file, build("TIT2=Song"));
    ASSERT_EQ(0, sh("flock -x " + quoted(file) + " -c 'touch " + ready + "; while [ ! -e " + file +
                    ".go ]; do sleep 0.02; done' &"));
    for (int i = 0; i < 500 && !fs::exists(ready); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    CKW5VorletLib lib;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(kE_FAIL, lib.Open(hostPath(file), 1));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(150));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
    writeFile(file + ".go", Bytes());
    HRESULT hr = kE_FAIL;
    for (int i = 0; i < 100 && (hr = lib.Open(hostPath(file), 1)) != kS_OK; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(kS_OK, hr);
}
#endif

// kw5vorlet beside TagLib on the same ID3v2.3 files: reading a corpus, the
// direct scan against a full Open, in-place writes and remakes of big files.
#include "bench/BenchFiles.h"
#include "kw5/CKW5VorletLib.h"

#include <benchmark/benchmark.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using kw5bench::host;

const std::vector<std::string>& corpus() {
    static const std::vector<std::string> files = kw5bench::corpusFiles();
    return files;
}

void countFiles(benchmark::State& state, size_t perIteration) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * perIteration));
}

// --- reading: open, then title, artist and one user text ---

void BM_Read_KW5(benchmark::State& state) {
    std::vector<KW5WString> paths;
    for (const auto& f : corpus())
        paths.push_back(host(f));
    for (auto _ : state) {
        for (const auto& path : paths) {
            CKW5VorletLib lib;
            if (lib.Open(path, KW5_OPEN_READONLY) != 0)
                state.SkipWithError("Open failed");
            std::vector<KW5WString> title, artist;
            KW5WString mood;
            lib.GetPropertyFromId(KW5_WSTR("TIT2"), title);
            lib.GetPropertyFromId(KW5_WSTR("TPE1"), artist);
            lib.GetPropertyFromDesc(KW5_WSTR("TXXX"), KW5_WSTR("MOOD"), mood);
            benchmark::DoNotOptimize(title.data());
            benchmark::DoNotOptimize(mood.data());
        }
    }
    countFiles(state, paths.size());
}

void BM_Read_TagLib(benchmark::State& state) {
    for (auto _ : state) {
        for (const auto& path : corpus()) {
            TagLib::MPEG::File file(path.c_str(), false);
            TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
            if (!tag)
                state.SkipWithError("no ID3v2 tag");
            TagLib::String title = tag->title();
            TagLib::String artist = tag->artist();
            auto* mood = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "MOOD");
            TagLib::StringList moodValue;
            if (mood)
                moodValue = mood->fieldList();
            benchmark::DoNotOptimize(title.size());
            benchmark::DoNotOptimize(moodValue.size());
        }
    }
    countFiles(state, corpus().size());
}

// The I/O floor of a read: open, read the 10 header bytes, read the tag
// region the header announces, close. Nothing is parsed.
void BM_Read_Floor(benchmark::State& state) {
    std::vector<unsigned char> region;
    for (auto _ : state) {
        for (const auto& path : corpus()) {
            int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                state.SkipWithError("open failed");
                continue;
            }
            unsigned char header[10];
            if (::read(fd, header, 10) == 10) {
                size_t size = (size_t(header[6] & 0x7F) << 21) | (size_t(header[7] & 0x7F) << 14) |
                              (size_t(header[8] & 0x7F) << 7) | size_t(header[9] & 0x7F);
                region.resize(size);
                benchmark::DoNotOptimize(::read(fd, region.data(), size));
            }
            ::close(fd);
        }
    }
    countFiles(state, corpus().size());
}

// --- one value: the direct scan against Open + Get ---

void BM_SeekOne_KW5(benchmark::State& state) {
    std::vector<KW5WString> paths;
    for (const auto& f : corpus())
        paths.push_back(host(f));
    for (auto _ : state) {
        for (const auto& path : paths) {
            CKW5VorletLib lib;
            KW5WString track;
            lib.SeekPropertyFromDesc(path, KW5_WSTR("TXXX"), KW5_WSTR("VMK_TRACK"), track);
            benchmark::DoNotOptimize(track.data());
        }
    }
    countFiles(state, paths.size());
}

void BM_OpenOne_KW5(benchmark::State& state) {
    std::vector<KW5WString> paths;
    for (const auto& f : corpus())
        paths.push_back(host(f));
    for (auto _ : state) {
        for (const auto& path : paths) {
            CKW5VorletLib lib;
            lib.Open(path, KW5_OPEN_READONLY);
            KW5WString track;
            lib.GetPropertyFromDesc(KW5_WSTR("TXXX"), KW5_WSTR("VMK_TRACK"), track);
            benchmark::DoNotOptimize(track.data());
        }
    }
    countFiles(state, paths.size());
}

// --- writing the big files ---

const char* kTitles[2] = {"Benchmark title A", "Benchmark title B"};

bool writeTitleKW5(const KW5WString& path, int round) {
    CKW5VorletLib lib;
    if (lib.Open(path, KW5_OPEN_READWRITE) != 0)
        return false;
    std::vector<KW5WString> title = {host(kTitles[round & 1])};
    LONG kind = KW5_FORMAT_STD;
    return lib.PutString(1, 0, title, 2, 0) == 0 && lib.Close(kind) == 0;
}

// Each round adds a user text of 8192 characters under a new description:
// the tag grows by 16 KiB, past the padding of either library, so every
// round rewrites the whole file. The texts are removed afterwards, untimed.
const size_t kFillerUnits = 8192;

std::string fillerName(int round) {
    return "FILLER" + std::to_string(round);
}

bool addFillerKW5(const KW5WString& path, int round) {
    CKW5VorletLib lib;
    if (lib.Open(path, KW5_OPEN_READWRITE) != 0)
        return false;
    LONG kind = KW5_FORMAT_STD;
    return lib.PutPropertyFromDesc(KW5_WSTR("TXXX"), host(fillerName(round)),
                                   KW5WString(kFillerUnits, KW5WChar('f')), 0) == 0 &&
           lib.Close(kind) == 0;
}

bool removeFillersKW5(const KW5WString& path, int rounds) {
    CKW5VorletLib lib;
    if (lib.Open(path, KW5_OPEN_READWRITE) != 0)
        return false;
    for (int round = 0; round < rounds; ++round)
        lib.PutPropertyFromDesc(KW5_WSTR("TXXX"), host(fillerName(round)), KW5WString(), 0);
    LONG kind = KW5_FORMAT_STD;
    return lib.Close(kind) == 0;
}

void BM_WriteInPlace_KW5(benchmark::State& state) {
    KW5WString path = host(kw5bench::bigFile(static_cast<int>(state.range(0))));
    writeTitleKW5(path, 1); // settle the tag in our layout first
    int round = 0;
    for (auto _ : state)
        if (!writeTitleKW5(path, round++))
            state.SkipWithError("write failed");
}

// Untimed: every file written so far goes to disk first, as before each cp
// the remakes are compared with. Left dirty (TagLib's rows never flush),
// it would be written back during the next remake and slow its flush.
void settleDisk(benchmark::State& state) {
    state.PauseTiming();
    ::sync();
    state.ResumeTiming();
}

void BM_Remake_KW5(benchmark::State& state) {
    KW5WString path = host(kw5bench::bigFile(static_cast<int>(state.range(0))));
    int round = 0;
    for (auto _ : state) {
        settleDisk(state);
        if (!addFillerKW5(path, round++))
            state.SkipWithError("remake failed");
    }
    if (!removeFillersKW5(path, round))
        state.SkipWithError("clean-up failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (state.range(0) << 20)));
}

bool saveTagLib(TagLib::MPEG::File& file) {
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3,
                     TagLib::File::DoNotDuplicate);
}

void BM_WriteInPlace_TagLib(benchmark::State& state) {
    std::string path = kw5bench::bigFile(static_cast<int>(state.range(0)));
    int round = 0;
    for (auto _ : state) {
        TagLib::MPEG::File file(path.c_str(), false);
        file.ID3v2Tag(true)->setTitle(kTitles[round++ & 1]);
        if (!saveTagLib(file))
            state.SkipWithError("save failed");
    }
}

void BM_Remake_TagLib(benchmark::State& state) {
    std::string path = kw5bench::bigFile(static_cast<int>(state.range(0)));
    int round = 0;
    for (auto _ : state) {
        settleDisk(state);
        TagLib::MPEG::File file(path.c_str(), false);
        auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF16);
        frame->setDescription(fillerName(round++));
        frame->setText(TagLib::String(std::string(kFillerUnits, 'f')));
        file.ID3v2Tag(true)->addFrame(frame);
        if (!saveTagLib(file))
            state.SkipWithError("save failed");
    }
    {
        TagLib::MPEG::File file(path.c_str(), false);
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        for (int r = 0; r < round; ++r)
            if (auto* filler = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, fillerName(r)))
                tag->removeFrame(filler);
        saveTagLib(file);
    }
    // TagLib keeps the size of a tag that shrinks: the fillers' room would
    // take the next remake's filler in place. Our writer sheds it.
    CKW5VorletLib lib;
    if (lib.FormatFile(host(path), KW5_FORMAT_STD) != 0)
        state.SkipWithError("clean-up failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (state.range(0) << 20)));
}

// The references of a remake, through the shell as a user would type them:
// 0 cp, 1 cp + sync of the copy, 2 the same then renamed over the file
// (which frees the old file, as a remake does).
void BM_Copy(benchmark::State& state, int kind) {
    const std::string path = kw5bench::bigFile(static_cast<int>(state.range(0)));
    const std::string copy = path + ".cp";
    std::string command = "cp --reflink=never '" + path + "' '" + copy + "'";
    if (kind >= 1)
        command += " && sync '" + copy + "'";
    if (kind == 2)
        command += " && mv '" + copy + "' '" + path + "'";
    for (auto _ : state) {
        settleDisk(state);
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp failed");
        state.PauseTiming();
        std::remove(copy.c_str());
        state.ResumeTiming();
    }
}

// Sizes of the big files in MiB, from KW5_BENCH_BIG ("1,100,1000").
std::vector<int> bigSizes() {
    const char* text = std::getenv("KW5_BENCH_BIG");
    std::string list = text && *text ? text : "1,100,1000";
    std::vector<int> sizes;
    size_t pos = 0;
    while (pos < list.size()) {
        size_t comma = list.find(',', pos);
        sizes.push_back(std::atoi(list.substr(pos, comma - pos).c_str()));
        pos = comma == std::string::npos ? list.size() : comma + 1;
    }
    return sizes;
}

void registerAll() {
    using benchmark::RegisterBenchmark;
    // The corpus rows run in 9 rounds, each round one pass of every row, and
    // the report takes the median round of each: one pass over 2000 files
    // takes tens of milliseconds, where a shared machine's noise is a tenth
    // of the time, and rounds let a ratio's two sides see the same minute.
    const std::pair<const char*, void (*)(benchmark::State&)> corpusRows[] = {
        {"read/kw5vorlet", BM_Read_KW5},
        {"read/taglib", BM_Read_TagLib},
        {"read/floor", BM_Read_Floor},
        {"seek/kw5vorlet", BM_SeekOne_KW5},
        {"open/kw5vorlet", BM_OpenOne_KW5}};
    for (int round = 0; round < 9; ++round)
        for (const auto& row : corpusRows)
            RegisterBenchmark(row.first, row.second)->Unit(benchmark::kMillisecond)->Iterations(3);
    for (int mib : bigSizes()) {
        RegisterBenchmark("inplace/kw5vorlet", BM_WriteInPlace_KW5)
            ->Unit(benchmark::kMicrosecond)
            ->Arg(mib)
            ->MinTime(0.5);
        RegisterBenchmark("inplace/taglib", BM_WriteInPlace_TagLib)
            ->Unit(benchmark::kMicrosecond)
            ->Arg(mib)
            ->MinTime(0.5);
    }
    // The remakes and their cp references run in rounds too, a remake beside
    // the cp it is compared with: on this kind of machine the same cp of
    // 1000 MiB has taken 0.5 s in one minute and 2.7 s in the next.
    const std::pair<const char*, std::function<void(benchmark::State&)>> remakeRows[] = {
        {"remake/kw5vorlet", BM_Remake_KW5},
        {"remake/taglib", BM_Remake_TagLib},
        {"remake/cp", [](benchmark::State& state) { BM_Copy(state, 0); }},
        {"remake/cpsync", [](benchmark::State& state) { BM_Copy(state, 1); }},
        {"remake/cpsyncmv", [](benchmark::State& state) { BM_Copy(state, 2); }}};
    for (int mib : bigSizes())
        for (int round = 0; round < 5; ++round)
            for (const auto& row : remakeRows)
                RegisterBenchmark(row.first, row.second)
                    ->Unit(benchmark::kMillisecond)
                    ->Arg(mib)
                    ->Iterations(mib >= 500 ? 1 : 3);
}

} // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

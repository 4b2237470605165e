// ParseListingLine and ParseMlsdLine over lines as real servers send them, one benchmark per
// kind of line (items_per_second is lines per second), and 20,000-entry listings turned into
// pane rows and entries as the remote pane does it. BM_EntryStore tells what the entry list
// costs: entries per second and the heap it holds per entry (bytes_per_entry), for 20,000 and
// 200,000 entries.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "files/listingparser.h"
#include "files/listingreader.h"
#include "files/panerows.h"
#include "files/remotefilelist.h"
#include "files/remotepane.h"

using namespace tarnwick;

namespace {

struct Sample {
    const char* name;
    const char* line;
};

// Lines taken from vsftpd, pyftpdlib, proftpd, pure-ftpd and IIS listings, and from ls -l in
// ja_JP.UTF-8 and with --time-style=long-iso.
constexpr std::array<Sample, 16> kSamples = {{
    {"vsftpd-file", "-rw-r--r--    1 1000     1000       104857 Dec 07 06:26 report-2024.pdf\r"},
    {"vsftpd-dir", "drwxr-xr-x    2 1000     1000         4096 Mar 14 09:12 src\r"},
    {"pyftpdlib-file", "-rw-r--r--   1 owner    group      5242880 Jan 02  2021 backup.tar.gz\r"},
    {"proftpd-blanks",
     "-rw-r--r--   1 ftp      ftp          512 Dec  1  2023 my holiday photo.jpg"},
    {"pureftpd-symlink",
     "lrwxrwxrwx    1 0          0                  7 Jan  2 03:04 latest -> v2.1"},
    {"no-group", "-rw-r--r--   1 owner            512 Jan  2 03:04 no-group.txt"},
    {"japanese", "-rw-r--r--    1 999      995      2048 Dec 07 06:26 日本語のファイル名.txt\r"},
    {"total", "total 20480\r"},
    {"bare-name", "just-a-name.txt"},
    {"ja-month", "drwxr-xr-x 2 ftp ftp 4096  3月 14 09:12 src\r"},
    {"ja-month-day", "-rw-r--r-- 1 ftp ftp 5120 3月 14日 2023 a.txt\r"},
    {"long-iso", "-rw-r--r-- 1 ftp ftp 5120 2023-11-30 18:45 my notes.txt\r"},
    {"device", "crw-rw----   1 root     tty        4,   1 Jan  1 12:00 tty1\r"},
    {"dos-dir", "03-14-23  09:12AM       <DIR>          src\r"},
    {"dos-file", "11-30-2023  06:45PM                 5120 my notes.txt\r"},
    {"total-ja", "合計 20480\r"},
}};

void BM_ParseListingLine(benchmark::State& state)
{
    const Sample& sample = kSamples[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(sample.name);
    const std::string_view line = sample.line;
    RemoteFileEntry entry;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseListingLine(line, entry));
        benchmark::DoNotOptimize(entry);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_ParseListingLine)->DenseRange(0, kSamples.size() - 1);

// MLSD lines from pyftpdlib (lower-case facts, "0o" modes) and proftpd.
constexpr std::array<Sample, 3> kMlsdSamples = {{
    {"pyftpdlib-file", "modify=20231130184500;perm=adfrw;size=5120;type=file;unique=fe00ga722a5;"
                       "unix.mode=0o644;unix.uid=1000;unix.gid=1000; my notes.txt\r"},
    {"proftpd-dir", "modify=20230314091200;perm=flcdmpe;type=dir;unique=FD00U12A4;UNIX.group=1000;"
                    "UNIX.mode=0755;UNIX.owner=1000; src\r"},
    {"proftpd-cdir", "modify=20230314091200;perm=flcdmpe;type=cdir;unique=FD00U12A3;"
                     "UNIX.group=1000;UNIX.mode=0755;UNIX.owner=1000; .\r"},
}};

void BM_ParseMlsdLine(benchmark::State& state)
{
    const Sample& sample = kMlsdSamples[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(sample.name);
    const std::string_view line = sample.line;
    RemoteFileEntry entry;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseMlsdLine(line, entry));
        benchmark::DoNotOptimize(entry);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_ParseMlsdLine)->DenseRange(0, kMlsdSamples.size() - 1);

// A listing of `count` files and some subdirectories, in the layout `kind` names: 0 as vsftpd
// sends it, 1 as ls -l writes it in ja_JP.UTF-8, 2 as IIS sends it, 3 as pyftpdlib answers MLSD.
std::string MakeListing(int count, int kind)
{
    std::string text;
    if (kind == 0) {
        text = "total " + std::to_string(count * 4) + "\r\n";
    } else if (kind == 1) {
        text = "合計 " + std::to_string(count * 4) + "\r\n";
    } else if (kind == 3) {
        text = "modify=20230314091200;perm=el;size=4096;type=cdir;unique=fe00g1; .\r\n";
    }
    for (int i = 0; i < count; ++i) {
        const std::string number = std::to_string(100000 + i).substr(1);
        const std::string size = std::to_string(1000 + i * 37);
        const bool folder = i % 50 == 0;
        switch (kind) {
        case 0:
            text += folder ? "drwxr-xr-x    2 1000     1000         4096 Mar 14 09:12 folder " +
                                 number + "\r\n"
                           : "-rw-r--r--    1 1000     1000       " + size + " Dec 07 06:26 file-" +
                                 number + ".txt\r\n";
            break;
        case 1:
            text += folder ? "drwxr-xr-x 2 ftp ftp    4096  3月 14 09:12 folder " + number + "\r\n"
                           : "-rw-r--r-- 1 ftp ftp " + size + " 12月  7  2023 file-" + number +
                                 ".txt\r\n";
            break;
        case 2:
            text += folder
                        ? "03-14-23  09:12AM       <DIR>          folder " + number + "\r\n"
                        : "12-07-23  06:26PM             " + size + " file-" + number + ".txt\r\n";
            break;
        default:
            text += folder
                        ? "modify=20230314091200;perm=el;size=4096;type=dir;unique=fe00g" + number +
                              "; folder " + number + "\r\n"
                        : "modify=20231207062600;perm=r;size=" + size + ";type=file;unique=fe00g" +
                              number + "; file-" + number + ".txt\r\n";
            break;
        }
    }
    return text;
}

// The listing a benchmark's arguments name (entries, kind), its kind as the label.
std::pair<std::string, ListingFormat> ListingOf(benchmark::State& state)
{
    static constexpr const char* kKinds[] = {"vsftpd", "ja_JP", "IIS", "MLSD"};
    const int kind = static_cast<int>(state.range(1));
    state.SetLabel(kKinds[kind]);
    return {MakeListing(static_cast<int>(state.range(0)), kind),
            kind == 3 ? ListingFormat::MlsdFacts : ListingFormat::LongLines};
}

// Entries and bytes per second, and `held` heap bytes spread over the entries.
void Report(benchmark::State& state, std::size_t listingSize, std::int64_t held)
{
    state.counters["bytes_per_entry"] =
        static_cast<double>(held) / static_cast<double>(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * listingSize));
}

void BM_FillRemotePane(benchmark::State& state)
{
    const auto [listing, format] = ListingOf(state);
    CRowList rows;
    CRemoteFileList list;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FillRemotePane(rows, listing, list, format));
        benchmark::DoNotOptimize(rows.rows.data());
    }
    if (list.GetSize() != state.range(0) + 1) {
        state.SkipWithError("the listing did not give one entry per line");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * listing.size()));
}
BENCHMARK(BM_FillRemotePane)
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Args({20000, 2})
    ->Args({20000, 3})
    ->Unit(benchmark::kMillisecond);

// The heap in use, small blocks and mapped ones alike.
std::int64_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
}

// Rows that go nowhere: what the entry list alone costs.
class CNoRows : public CPaneRows {
public:
    void ResetContent() override {}
    void AddString(const std::string& text) override { benchmark::DoNotOptimize(text.data()); }
};

void BM_EntryStore(benchmark::State& state)
{
    const auto [listing, format] = ListingOf(state);
    CNoRows rows;
    std::int64_t held = 0;
    for (auto _ : state) {
        // A fresh list each time, as a refresh starts from nothing; freeing it is not timed.
        auto list = std::make_unique<CRemoteFileList>();
        const std::int64_t before = HeapInUse();
        benchmark::DoNotOptimize(FillRemotePane(rows, listing, *list, format));
        held = HeapInUse() - before;
        if (list->GetSize() != state.range(0) + 1) {
            state.SkipWithError("the listing did not give one entry per line");
            break;
        }
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    Report(state, listing.size(), held);
}
BENCHMARK(BM_EntryStore)
    ->Args({20000, 0})
    ->Args({20000, 3})
    ->Args({200000, 0})
    ->Args({200000, 3})
    ->Unit(benchmark::kMillisecond);

// The streaming path of `ls`: the listing in 64 KiB pieces, as the data connection hands them
// on, parsed while it arrives and kept nowhere. bytes_per_entry is the most heap the reading
// held above its start at any piece, spread over the entries: the cost of never keeping them.
void BM_ListingReader(benchmark::State& state)
{
    const auto [listing, format] = ListingOf(state);
    constexpr std::size_t kPiece = 64 * 1024;
    std::int64_t entries = 0;
    std::int64_t most = 0;
    CListingReader reader(
        [&entries](const RemoteFileEntry& entry) {
            benchmark::DoNotOptimize(entry.displayName.data());
            ++entries;
            return true;
        },
        format);
    for (auto _ : state) {
        entries = 0;
        reader.Reset(format);
        const std::int64_t before = HeapInUse();
        for (std::size_t at = 0; at < listing.size(); at += kPiece) {
            benchmark::DoNotOptimize(reader.Feed(std::string_view(listing).substr(at, kPiece)));
            most = std::max(most, HeapInUse() - before);
        }
        benchmark::DoNotOptimize(reader.Finish());
        if (entries != state.range(0)) {
            state.SkipWithError("the listing did not give one entry per line");
            break;
        }
    }
    Report(state, listing.size(), most);
}
BENCHMARK(BM_ListingReader)
    ->Args({20000, 0})
    ->Args({200000, 0})
    ->Args({200000, 3})
    ->Unit(benchmark::kMillisecond);

} // namespace

// ParseListingLine over lines as real servers send them, one benchmark per kind of line, and a
// 20,000-entry listing turned into pane rows and entries as the remote pane does it.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <string_view>

#include "files/listingparser.h"
#include "files/panerows.h"
#include "files/remotefilelist.h"
#include "files/remotepane.h"

using namespace tarnwick;

namespace {

struct Sample {
    const char* name;
    const char* line;
};

// Lines taken from vsftpd, pyftpdlib, proftpd and pure-ftpd listings.
constexpr std::array<Sample, 9> kSamples = {{
    {"vsftpd-file", "-rw-r--r--    1 1000     1000       104857 Dec 07 06:26 report-2024.pdf\r"},
    {"vsftpd-dir", "drwxr-xr-x    2 1000     1000         4096 Mar 14 09:12 src\r"},
    {"pyftpdlib-file", "-rw-r--r--   1 owner    group      5242880 Jan 02  2021 backup.tar.gz\r"},
    {"proftpd-blanks", "-rw-r--r--   1 ftp      ftp          512 Dec  1  2023 my holiday photo.jpg"},
    {"pureftpd-symlink", "lrwxrwxrwx    1 0          0                  7 Jan  2 03:04 latest -> v2.1"},
    {"no-group", "-rw-r--r--   1 owner            512 Jan  2 03:04 no-group.txt"},
    {"japanese", "-rw-r--r--    1 999      995      2048 Dec 07 06:26 日本語のファイル名.txt\r"},
    {"total", "total 20480\r"},
    {"bare-name", "just-a-name.txt"},
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
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_ParseListingLine)->DenseRange(0, kSamples.size() - 1);

// A listing as vsftpd sends a directory of `count` files and some subdirectories.
std::string MakeListing(int count)
{
    std::string text = "total " + std::to_string(count * 4) + "\r\n";
    for (int i = 0; i < count; ++i) {
        const std::string number = std::to_string(100000 + i).substr(1);
        if (i % 50 == 0) {
            text += "drwxr-xr-x    2 1000     1000         4096 Mar 14 09:12 folder " + number + "\r\n";
        } else {
            text += "-rw-r--r--    1 1000     1000       " + std::to_string(1000 + i * 37) +
                    " Dec 07 06:26 file-" + number + ".txt\r\n";
        }
    }
    return text;
}

void BM_FillRemotePane(benchmark::State& state)
{
    const std::string listing = MakeListing(static_cast<int>(state.range(0)));
    CRowList rows;
    CRemoteFileList list;
    for (auto _ : state) {
        FillRemotePane(rows, listing, list);
        benchmark::DoNotOptimize(rows.rows.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * listing.size()));
}
BENCHMARK(BM_FillRemotePane)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

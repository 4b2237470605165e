// The settings file parser on the shapes that once made it slow: one long hex value that
// regedit wraps over many lines, and a key path nested deep. Time per byte should stay flat
// as the input grows (linear parsing).
#include <benchmark/benchmark.h>

#include <string>

#include "settings/registryfile.h"

using namespace tarnwick;

namespace {

// A text value of `bytes` hex-list bytes, wrapped every 25 bytes as regedit writes it.
std::string HexFile(std::size_t bytes)
{
    std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\kestrum]\n"
                       "\"Long\"=hex(1):";
    for (std::size_t i = 0; i < bytes; ++i) {
        text += i % 2 == 0 ? "41" : "00";
        if (i + 1 < bytes) {
            text += ',';
            if (i % 25 == 24) {
                text += "\\\n  ";
            }
        }
    }
    text += '\n';
    return text;
}

// Keys nested `depth` parts deep, each part one letter (the deepest is over the limit and
// makes the text unparsable, which the parser must find out quickly too).
std::string DeepFile(std::size_t depth)
{
    std::string text = "[HKEY_CURRENT_USER";
    for (std::size_t i = 0; i < depth; ++i) {
        text += "\\k";
    }
    return text + "]\n\"v\"=dword:00000001\n";
}

void BM_ParseHexValue(benchmark::State& state)
{
    const std::string text = HexFile(static_cast<std::size_t>(state.range(0)) / 3);
    for (auto _ : state) {
        RegistryDocument doc;
        benchmark::DoNotOptimize(ParseRegistryText(text, doc));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseHexValue)->Arg(10 * 1000)->Arg(100 * 1000)->Arg(300 * 1000);

void BM_ParseDeepKey(benchmark::State& state)
{
    const std::string text = DeepFile(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        RegistryDocument doc;
        benchmark::DoNotOptimize(ParseRegistryText(text, doc));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseDeepKey)->Arg(63)->Arg(2000);

} // namespace

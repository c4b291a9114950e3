// Scaling a 100-frame skin by nearest neighbour, beside copying as many
// pixels: what choosing each source pixel costs above writing the result.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/nearest_scale.h"

namespace {

constexpr std::int32_t kFrames = 100;

struct Strips {
    explicit Strips(std::int32_t size)
        : source(static_cast<std::size_t>(kFrames * 16 * 16)),
          scaled(static_cast<std::size_t>(kFrames * size * size)) {
        for (std::size_t i = 0; i < source.size(); ++i) {
            source[i] = static_cast<std::uint32_t>(i);
        }
    }
    std::vector<std::uint32_t> source;
    std::vector<std::uint32_t> scaled;
};

void ScaleHundredFrames(benchmark::State& state) {
    const auto size = static_cast<std::int32_t>(state.range(0));
    Strips strips(size);
    for (auto _ : state) {
        ScaleStrip(strips.source.data(), kFrames * 16, 16, 16, size, strips.scaled.data());
        benchmark::DoNotOptimize(strips.scaled.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(strips.scaled.size()));
}
BENCHMARK(ScaleHundredFrames)->Arg(24)->Arg(32);

// The reference: the source copied over the result until it is full.
void CopyAsManyPixels(benchmark::State& state) {
    Strips strips(static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        for (std::size_t at = 0; at < strips.scaled.size(); at += strips.source.size()) {
            const std::size_t count = std::min(strips.source.size(), strips.scaled.size() - at);
            std::copy_n(strips.source.begin(), count,
                        strips.scaled.begin() + static_cast<long>(at));
        }
        benchmark::DoNotOptimize(strips.scaled.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(strips.scaled.size()));
}
BENCHMARK(CopyAsManyPixels)->Arg(24)->Arg(32);

}  // namespace

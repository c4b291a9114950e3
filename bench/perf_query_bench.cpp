// Refresh and sample over blocks of a chosen size, and the rounds a large
// fetch takes.
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "perf/perf_query.h"
#include "testing/fake_system.h"
#include "testing/memory_registry.h"

namespace {

struct Bench {
    MemoryRegistry registry;
    FakeSystem system;
    std::vector<std::uint8_t> block;
    int rounds = 0;

    explicit Bench(std::size_t instances, std::size_t padTo = 0) {
        SetRegistry(&registry);
        SetSystem(&system);
        registry.PutMultiString("", win32::kRootLocalMachine,
                                "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009",
                                "Counter", {"6", "% Processor Time", "238", "Processor"});
        perf::BlockSpec spec;
        spec.objects.resize(1);
        spec.objects[0].nameTitleIndex = 238;
        spec.objects[0].counters = {{6, perf::kCounterTypeTimer100NsInv, 8}};
        std::u16string name(padTo / (instances + 1) / 2, u'p');
        for (std::size_t i = 0; i + 1 < instances; ++i) {
            spec.objects[0].instances.push_back({name + std::u16string(1, u'a'), {i}});
        }
        spec.objects[0].instances.push_back({u"_Total", {7}});
        block = perf::BuildPerfBlock(spec);
        registry.SetPerformanceDataHandler(
            [this](const std::string&, const std::string&, const std::string&, std::uint32_t*,
                   std::uint8_t* data, std::uint32_t* size) {
                ++rounds;
                if (*size < block.size()) {
                    *size = static_cast<std::uint32_t>(block.size());
                    return win32::kErrorMoreData;
                }
                std::memcpy(data, block.data(), block.size());
                *size = static_cast<std::uint32_t>(block.size());
                return win32::kErrorSuccess;
            });
    }
};

void BM_Refresh(benchmark::State& state) {
    Bench bench(static_cast<std::size_t>(state.range(0)));
    CPerfQuery query;
    query.Open("Processor", "% Processor Time", "_Total", "");
    for (auto _ : state) {
        benchmark::DoNotOptimize(query.Refresh());
    }
}
BENCHMARK(BM_Refresh)->Arg(1)->Arg(64)->Arg(1024)->Unit(benchmark::kMicrosecond);

void BM_Sample(benchmark::State& state) {
    Bench bench(static_cast<std::size_t>(state.range(0)));
    CPerfQuery query;
    query.Open("Processor", "% Processor Time", "_Total", "");
    for (auto _ : state) {
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        if (query.Sample(data, size, type)) {
            delete[] data;
        }
    }
}
BENCHMARK(BM_Sample)->Arg(1)->Arg(64)->Arg(1024)->Unit(benchmark::kMicrosecond);

void BM_FetchOneMebibyte(benchmark::State& state) {
    Bench bench(1024, 1024 * 1024);
    CPerfQuery query;
    query.Open("Processor", "% Processor Time", "_Total", "");
    bench.rounds = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(query.Refresh());
    }
    state.counters["rounds"] = benchmark::Counter(static_cast<double>(bench.rounds),
                                                  benchmark::Counter::kAvgIterations);
    state.counters["bytes"] = static_cast<double>(bench.block.size());
}
BENCHMARK(BM_FetchOneMebibyte)->Unit(benchmark::kMicrosecond);

}  // namespace

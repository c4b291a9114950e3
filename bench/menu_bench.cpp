// Opening the context menu on a machine with 1,000 processes: the process
// list alone, and the whole opening through the recording window layer.
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/gaugelet_dlg.h"
#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "perf/perf_query.h"
#include "testing/fake_machine.h"

namespace {

std::vector<std::uint8_t> ObjectBlock(std::uint32_t titleIndex, std::size_t instances) {
    perf::BlockSpec spec;
    spec.perfFreq = 10000000;
    spec.perfTime100nSec = 1000;
    spec.objects.resize(1);
    spec.objects[0].nameTitleIndex = titleIndex;
    spec.objects[0].counters = {{6, perf::kCounterTypeTimer100Ns, 8}};
    for (std::size_t i = 0; i + 1 < instances; ++i) {
        const std::string name = "process" + std::to_string(i);
        spec.objects[0].instances.push_back({std::u16string(name.begin(), name.end()), {i}});
    }
    spec.objects[0].instances.push_back({u"_Total", {7}});
    return perf::BuildPerfBlock(spec);
}

// The blocks are built once, so the figures are those of the meter's code.
struct Machine : FakeMachine {
    std::vector<std::uint8_t> processes = ObjectBlock(230, 1000);
    std::vector<std::uint8_t> processor = ObjectBlock(238, 2);

    Machine() {
        ServeBlocks([this](const std::string& name) { return name == "230" ? &processes : &processor; });
    }
};

void BM_ProcessListOfAThousand(benchmark::State& state) {
    Machine machine;
    std::vector<std::string> names;
    for (auto _ : state) {
        CPerfQuery query;
        query.Open("Process", "% Processor Time", "", "");
        query.GetInstanceNames(names);
        benchmark::DoNotOptimize(names.data());
    }
    state.counters["names"] = static_cast<double>(names.size());
}
BENCHMARK(BM_ProcessListOfAThousand)->Unit(benchmark::kMillisecond);

void BM_ContextMenuOfAThousand(benchmark::State& state) {
    Machine machine;
    machine.window.m_script = [&](RecordingWindow& window) {
        for (auto _ : state) {
            window.Send(win32::kWmRButtonUp);
        }
        state.counters["items"] = static_cast<double>(window.m_trackedProcessItems.size());
    };
    CGaugeletDlg dlg;
    dlg.DoModal();
}
BENCHMARK(BM_ContextMenuOfAThousand)->Unit(benchmark::kMillisecond);

}  // namespace

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
#include "platform/fake/fake_system.h"
#include "platform/fake/memory_pixels.h"
#include "platform/fake/memory_registry.h"
#include "platform/fake/recording_shell.h"
#include "platform/fake/recording_window.h"

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
struct Machine {
    MemoryRegistry registry;
    FakeSystem system;
    MemoryPixels pixels;
    RecordingShell shell;
    RecordingWindow window;
    std::vector<std::uint8_t> processes = ObjectBlock(230, 1000);
    std::vector<std::uint8_t> processor = ObjectBlock(238, 2);

    Machine() {
        SetRegistry(&registry);
        SetSystem(&system);
        SetPixels(&pixels);
        SetShell(&shell);
        SetWindow(&window);
        RegisterTaskIconMessage();
        registry.PutMultiString("", win32::kRootLocalMachine,
                                "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009",
                                "Counter",
                                {"6", "% Processor Time", "230", "Process", "238", "Processor"});
        registry.SetPerformanceDataHandler(
            [this](const std::string&, const std::string&, const std::string& name,
                   std::uint32_t*, std::uint8_t* data, std::uint32_t* size) {
                const std::vector<std::uint8_t>& block = name == "230" ? processes : processor;
                if (data == nullptr || *size < block.size()) {
                    *size = static_cast<std::uint32_t>(block.size());
                    return win32::kErrorMoreData;
                }
                std::memcpy(data, block.data(), block.size());
                *size = static_cast<std::uint32_t>(block.size());
                return win32::kErrorSuccess;
            });
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
    CGaugeletDlg::ResetProcessState();
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

// The meter's own cost of one steady-state tick: a 64-processor machine at a
// constant load, so every tick samples and none redraws. Counts the heap
// allocations a tick makes as well as its time.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/gaugelet_dlg.h"
#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "testing/fake_machine.h"

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr std::int64_t kTimeMark = 0x0123456789ABCDEF;
constexpr std::uint64_t kIdleMark = 0x0FEDCBA987654321;

// Where a marked 8-byte value sits in the block.
std::size_t OffsetOf(const std::vector<std::uint8_t>& block, std::uint64_t mark) {
    for (std::size_t i = 0; i + 8 <= block.size(); ++i) {
        if (std::memcmp(&block[i], &mark, 8) == 0) {
            return i;
        }
    }
    std::abort();
}

// The machine's registry, counting every value read and key opened.
struct CountingRegistry : RegistryApi {
    explicit CountingRegistry(RegistryApi& inner) : m_inner(inner) {}
    std::int32_t OpenKey(win32::RegKey root, const std::string& subKey, std::uint32_t access,
                         win32::RegKey* result) override {
        ++reads;
        return m_inner.OpenKey(root, subKey, access, result);
    }
    std::int32_t CreateKey(win32::RegKey root, const std::string& subKey, std::uint32_t access,
                           win32::RegKey* result) override {
        ++reads;
        return m_inner.CreateKey(root, subKey, access, result);
    }
    std::int32_t QueryValue(win32::RegKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) override {
        ++reads;
        return m_inner.QueryValue(key, name, type, data, size);
    }
    std::int32_t SetValue(win32::RegKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override {
        return m_inner.SetValue(key, name, type, data, size);
    }
    std::int32_t CloseKey(win32::RegKey key) override { return m_inner.CloseKey(key); }
    std::int32_t ConnectRegistry(const std::string& machine, win32::RegKey root,
                                 win32::RegKey* result) override {
        ++reads;
        return m_inner.ConnectRegistry(machine, root, result);
    }
    long reads = 0;

private:
    RegistryApi& m_inner;
};

// A processor block with 64 instances and "_Total", rewritten in place each
// fetch so the machine runs at a steady 30 percent.
struct Machine : FakeMachine {
    std::vector<std::uint8_t> block;
    std::size_t timeAt = 0;
    std::size_t idleAt = 0;
    std::int64_t time = 0;
    std::uint64_t idle = 0;
    long fetches = 0;
    CountingRegistry counting{registry};

    Machine() {
        SetRegistry(&counting);
        perf::BlockSpec spec;
        spec.perfFreq = 10000000;
        spec.perfTime100nSec = kTimeMark;
        spec.objects.resize(1);
        spec.objects[0].nameTitleIndex = 238;
        spec.objects[0].counters = {{6, perf::kCounterTypeTimer100NsInv, 8}};
        for (int i = 0; i < 64; ++i) {
            const std::string name = std::to_string(i);
            spec.objects[0].instances.push_back(
                {std::u16string(name.begin(), name.end()), {static_cast<std::uint64_t>(i)}});
        }
        spec.objects[0].instances.push_back({u"_Total", {kIdleMark}});
        block = perf::BuildPerfBlock(spec);
        timeAt = OffsetOf(block, static_cast<std::uint64_t>(kTimeMark));
        idleAt = OffsetOf(block, kIdleMark);

        system.m_majorVersion = 10;
        // The block fits the first fetch buffer: one call is one fetch.
        ServeBlocks([this](const std::string&) {
            ++fetches;
            time += 10000000;
            idle += 7000000;
            std::memcpy(&block[timeAt], &time, 8);
            std::memcpy(&block[idleAt], &idle, 8);
            return &block;
        });
    }
};

void BM_SteadyTickOf64Processors(benchmark::State& state) {
    Machine machine;
    machine.window.m_script = [&](RecordingWindow& window) {
        for (int i = 0; i < 10; ++i) {
            window.Tick();  // past the first samples and the first frame
        }
        const long allocationsBefore = g_allocations.load();
        const long fetchesBefore = machine.fetches;
        const long readsBefore = machine.counting.reads;
        for (auto _ : state) {
            window.Tick();
        }
        const double ticks = static_cast<double>(state.iterations());
        state.counters["allocs/tick"] =
            static_cast<double>(g_allocations.load() - allocationsBefore) / ticks;
        state.counters["fetches/tick"] = static_cast<double>(machine.fetches - fetchesBefore) / ticks;
        state.counters["registry reads/tick"] =
            static_cast<double>(machine.counting.reads - readsBefore) / ticks;
    };
    CGaugeletDlg dlg;
    dlg.DoModal();
}
BENCHMARK(BM_SteadyTickOf64Processors);

}  // namespace

// The performance data made from the real kernel's times, through the real
// registry under Wine, whose own performance data hold no objects.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "perf/synthetic_perf_data.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "tests/perf/perf_fixture.h"

namespace {

DWORD WINAPI Spin(void* stop) {
    while (!static_cast<std::atomic<bool>*>(stop)->load()) {
    }
    return 0;
}

struct Reading {
    std::int64_t counter, time100ns, perfTime;
};

// Programs that start or end elsewhere (other tests share the prefix) move
// this one's instance; a refresh finds it again, as the meter's does.
Reading Take(CPerfQuery& query) {
    Sampled sample = SampleOf(query);
    for (int retry = 0; !sample.ok && retry < 3; ++retry) {
        query.Refresh();
        sample = SampleOf(query);
    }
    EXPECT_EQ(sample.size, 8u);
    return {static_cast<std::int64_t>(sample.value), query.m_perfTime100nSec, query.m_perfTime};
}

// Percent of the elapsed time the counter rose by; the block's two clocks
// must agree on that time.
double PercentBetween(const Reading& first, const Reading& second, std::int64_t frequency) {
    const double elapsed = static_cast<double>(second.time100ns - first.time100ns);
    EXPECT_GT(elapsed, 0.9e7);
    EXPECT_LT(elapsed, 10e7);
    EXPECT_NEAR(static_cast<double>(second.perfTime - first.perfTime) /
                    static_cast<double>(frequency),
                elapsed / 1e7, 0.1);
    return 100.0 * static_cast<double>(second.counter - first.counter) / elapsed;
}

// Over one second in which a thread of this program keeps one core busy,
// this program's instance and "_Total" of every processor show it.
TEST(RealRegistry, ThisProgramAndTheProcessorTotalShowOneBusyCore) {
    Win32System system;
    Win32Registry registry;
    SyntheticPerfData perfData(registry, system);
    SetRegistry(&perfData);
    SetSystem(&system);
    std::string self = system.ProgramFileName();
    self = self.substr(self.find_last_of('\\') + 1);
    self = self.substr(0, self.rfind('.'));
    CPerfQuery process, total;
    ASSERT_TRUE(process.Open("Process", "% Processor Time", self, "")) << self;
    ASSERT_TRUE(total.Open("Processor", "% Processor Time", "_Total", ""));
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    std::vector<std::string> names;
    total.GetInstanceNames(names);
    EXPECT_EQ(names.size(), info.dwNumberOfProcessors + 1);

    std::atomic<bool> stop{false};
    const HANDLE busy = CreateThread(nullptr, 0, Spin, &stop, 0, nullptr);
    ASSERT_NE(busy, nullptr);
    const Reading processBefore = Take(process);
    const Reading totalBefore = Take(total);
    Sleep(1000);
    const Reading processAfter = Take(process);
    const Reading totalAfter = Take(total);
    stop = true;
    WaitForSingleObject(busy, INFINITE);
    CloseHandle(busy);

    const double processors = static_cast<double>(info.dwNumberOfProcessors);
    const double busyPercent = PercentBetween(processBefore, processAfter, process.m_perfFreq);
    EXPECT_GE(busyPercent, 50.0) << "one busy thread of this program";
    EXPECT_LE(busyPercent, 100.0 * processors + 10.0);
    const double idlePercent = PercentBetween(totalBefore, totalAfter, total.m_perfFreq);
    EXPECT_GE(100.0 - idlePercent, 100.0 / processors - 5.0);
    EXPECT_LE(100.0 - idlePercent, 100.0);
}

}  // namespace

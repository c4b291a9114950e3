// The performance query over the real registry under Wine, whose own
// performance data hold no objects, with the backend that fills them in.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>

#include "perf/perf_layout.h"
#include "perf/perf_query.h"
#include "perf/synthetic_perf_data.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

namespace {

class RealRegistry : public ::testing::Test {
protected:
    RealRegistry() {
        SetRegistry(&m_registry);
        SetSystem(&m_version);
    }
    ~RealRegistry() override {
        SetRegistry(nullptr);
        SetSystem(nullptr);
    }

    Win32System m_version;
    Win32Registry m_system;
    SyntheticPerfData m_registry{m_system, m_version};
};

DWORD WINAPI Spin(void* stop) {
    while (!static_cast<std::atomic<bool>*>(stop)->load()) {
    }
    return 0;
}

struct Reading {
    std::int64_t counter = 0;
    std::int64_t time100ns = 0;
    std::int64_t perfTime = 0;
};

Reading Take(CPerfQuery& query, std::uint32_t expectedType) {
    Reading reading;
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t type = 0;
    EXPECT_TRUE(query.Sample(data, size, type));
    EXPECT_EQ(type, expectedType);
    if (data != nullptr && size == 8) {
        std::memcpy(&reading.counter, data, 8);
    }
    delete[] data;
    reading.time100ns = query.m_perfTime100nSec;
    reading.perfTime = query.m_perfTime;
    return reading;
}

// Percent of elapsed time each counter rose by over one second while a
// thread of this program keeps one core busy; the clocks must agree.
std::vector<double> PercentsOverOneSecond(const std::vector<CPerfQuery*>& queries,
                                          const std::vector<std::uint32_t>& types) {
    std::atomic<bool> stop{false};
    const HANDLE busy = CreateThread(nullptr, 0, Spin, &stop, 0, nullptr);
    EXPECT_NE(busy, nullptr);
    std::vector<Reading> first;
    for (std::size_t i = 0; i < queries.size(); ++i) {
        first.push_back(Take(*queries[i], types[i]));
    }
    Sleep(1000);
    std::vector<double> percents;
    for (std::size_t i = 0; i < queries.size(); ++i) {
        const Reading second = Take(*queries[i], types[i]);
        const double elapsed = static_cast<double>(second.time100ns - first[i].time100ns);
        EXPECT_GT(elapsed, 0.9e7);
        EXPECT_LT(elapsed, 10e7);
        EXPECT_NEAR(static_cast<double>(second.perfTime - first[i].perfTime) /
                        static_cast<double>(queries[i]->m_perfFreq),
                    elapsed / 1e7, 0.1);
        percents.push_back(100.0 * static_cast<double>(second.counter - first[i].counter) /
                           elapsed);
    }
    stop = true;
    if (busy != nullptr) {
        WaitForSingleObject(busy, INFINITE);
        CloseHandle(busy);
    }
    return percents;
}

// "_Total" is the processors' mean, and this program's own instance counts
// the busy thread's time.
TEST_F(RealRegistry, ProcessorsAndThisProgramShowTheLoadOfOneBusyCore) {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    std::string self = m_version.ProgramFileName();
    self = self.substr(self.find_last_of('\\') + 1);
    self = self.substr(0, self.rfind('.'));
    CPerfQuery process;
    ASSERT_TRUE(process.Open("Process", "% Processor Time", self, "")) << self;
    CPerfQuery total;
    ASSERT_TRUE(total.Open("Processor", "% Processor Time", "_Total", ""));
    std::vector<std::string> names;
    total.GetInstanceNames(names);
    ASSERT_EQ(names.size(), info.dwNumberOfProcessors + 1);
    EXPECT_EQ(names.back(), "_Total");

    std::vector<std::unique_ptr<CPerfQuery>> processors;
    std::vector<CPerfQuery*> queries{&process, &total};
    std::vector<std::uint32_t> types{perf::kCounterTypeTimer100Ns, perf::kCounterTypeTimer100NsInv};
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        processors.push_back(std::make_unique<CPerfQuery>());
        ASSERT_TRUE(processors.back()->Open("Processor", "% Processor Time", names[i], ""));
        queries.push_back(processors.back().get());
        types.push_back(perf::kCounterTypeTimer100NsInv);
    }
    const std::vector<double> percents = PercentsOverOneSecond(queries, types);
    EXPECT_GE(percents[0], 50.0) << "one busy thread of this program";
    EXPECT_LE(percents[0], 100.0 * static_cast<double>(processors.size()) + 10.0);
    double meanIdle = 0.0;
    for (std::size_t i = 2; i < percents.size(); ++i) {
        meanIdle += percents[i] / static_cast<double>(processors.size());
    }
    EXPECT_NEAR(percents[1], meanIdle, 3.0);
    EXPECT_GE(100.0 - percents[1], 100.0 / static_cast<double>(processors.size()) - 5.0);
    EXPECT_LE(100.0 - percents[1], 100.0);
}

}  // namespace

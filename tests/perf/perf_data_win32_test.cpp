// The performance query over the real registry under Wine, whose own
// performance data hold no objects, with the backend that fills them in.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>

#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "perf/perf_query.h"
#include "perf/synthetic_perf_data.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "registry/registry_object.h"

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

std::size_t ProcessorCount() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

class BusyCore {
public:
    BusyCore() : m_thread(CreateThread(nullptr, 0, Spin, &m_stop, 0, nullptr)) {}
    ~BusyCore() {
        m_stop = true;
        if (m_thread != nullptr) {
            WaitForSingleObject(m_thread, INFINITE);
            CloseHandle(m_thread);
        }
    }
    bool Running() const { return m_thread != nullptr; }

private:
    static DWORD WINAPI Spin(void* stop) {
        while (!static_cast<std::atomic<bool>*>(stop)->load()) {
        }
        return 0;
    }

    std::atomic<bool> m_stop{false};
    HANDLE m_thread;
};

struct Reading {
    std::int64_t counter = 0;
    std::int64_t time100ns = 0;
    std::int64_t perfTime = 0;
    std::uint32_t type = 0;
};

Reading Take(CPerfQuery& query) {
    Reading reading;
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    EXPECT_TRUE(query.Sample(data, size, reading.type));
    EXPECT_EQ(size, 8u);
    if (data != nullptr && size == 8) {
        std::memcpy(&reading.counter, data, 8);
    }
    delete[] data;
    reading.time100ns = query.m_perfTime100nSec;
    reading.perfTime = query.m_perfTime;
    return reading;
}

// Percent of elapsed time each counter rose by over one second while one
// core is busy; the time stamps must agree with each other and the clock.
std::vector<double> PercentsOverOneSecond(const std::vector<CPerfQuery*>& queries,
                                          std::uint32_t expectedType) {
    BusyCore busy;
    EXPECT_TRUE(busy.Running());
    std::vector<Reading> first;
    for (CPerfQuery* query : queries) {
        first.push_back(Take(*query));
    }
    Sleep(1000);
    std::vector<double> percents;
    for (std::size_t i = 0; i < queries.size(); ++i) {
        const Reading second = Take(*queries[i]);
        EXPECT_EQ(second.type, expectedType);
        const double elapsed = static_cast<double>(second.time100ns - first[i].time100ns);
        EXPECT_GT(elapsed, 0.9e7);
        EXPECT_LT(elapsed, 10e7);
        const double perfSeconds = static_cast<double>(second.perfTime - first[i].perfTime) /
                                   static_cast<double>(queries[i]->m_perfFreq);
        EXPECT_NEAR(perfSeconds, elapsed / 1e7, 0.1);
        percents.push_back(100.0 * static_cast<double>(second.counter - first[i].counter) /
                           elapsed);
    }
    return percents;
}

bool Lists(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST_F(RealRegistry, ProcessorTotalShowsTheLoadOfOneBusyCore) {
    CPerfQuery query;
    ASSERT_TRUE(query.Open("Processor", "% Processor Time", "_Total", ""));
    std::vector<std::string> names;
    query.GetInstanceNames(names);
    EXPECT_EQ(names.size(), ProcessorCount() + 1);
    EXPECT_TRUE(Lists(names, "0"));
    EXPECT_EQ(names.back(), "_Total");

    // The meter reads "_Total" against one clock: it must be the processors' mean.
    std::vector<std::unique_ptr<CPerfQuery>> processors;
    std::vector<CPerfQuery*> queries{&query};
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        processors.push_back(std::make_unique<CPerfQuery>());
        ASSERT_TRUE(processors.back()->Open("Processor", "% Processor Time", names[i], ""));
        queries.push_back(processors.back().get());
    }
    const std::vector<double> idle =
        PercentsOverOneSecond(queries, perf::kCounterTypeTimer100NsInv);
    double meanIdle = 0.0;
    for (std::size_t i = 1; i < idle.size(); ++i) {
        meanIdle += idle[i] / static_cast<double>(idle.size() - 1);
    }
    EXPECT_NEAR(idle[0], meanIdle, 3.0);
    const double load = 100.0 - idle[0];
    EXPECT_GE(load, 100.0 / static_cast<double>(processors.size()) - 5.0);
    EXPECT_LE(load, 100.0);
}

TEST_F(RealRegistry, ProcessListNamesThisProgramAndCountsItsTime) {
    std::string self = m_version.ProgramFileName();
    self = self.substr(self.find_last_of('\\') + 1);
    self = self.substr(0, self.rfind('.'));

    CPerfQuery query;
    ASSERT_TRUE(query.Open("Process", "% Processor Time", self, "")) << self;
    std::vector<std::string> names;
    query.GetInstanceNames(names);
    EXPECT_TRUE(Lists(names, "Idle"));
    EXPECT_TRUE(Lists(names, "_Total"));

    const double load = PercentsOverOneSecond({&query}, perf::kCounterTypeTimer100Ns)[0];
    EXPECT_GE(load, 50.0) << "one busy thread of this program";
    EXPECT_LE(load, 100.0 * static_cast<double>(ProcessorCount()) + 10.0);
}

TEST_F(RealRegistry, ShortBuffersAskForTheWholeValue) {
    std::uint32_t needed = 0;
    ASSERT_EQ(m_registry.QueryValue(win32::kRootPerformanceData, "238", nullptr, nullptr, &needed),
              win32::kErrorSuccess);
    std::vector<std::uint8_t> block(16);
    std::uint32_t size = 16;
    EXPECT_EQ(m_registry.QueryValue(win32::kRootPerformanceData, "238", nullptr, block.data(),
                                    &size),
              win32::kErrorMoreData);
    EXPECT_EQ(size, needed);
    block.resize(needed);
    std::uint32_t type = 0;
    EXPECT_EQ(m_registry.QueryValue(win32::kRootPerformanceData, "238", &type, block.data(), &size),
              win32::kErrorSuccess);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(type, win32::kRegBinary);
}

// HKEY_LOCAL_MACHINE redirected to an empty key of this test: the table's
// key is missing there until the test writes one.
class EmptyLocalMachine {
public:
    EmptyLocalMachine() {
        m_ready = RegCreateKeyExA(HKEY_CURRENT_USER, kPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &m_scratch, nullptr) == ERROR_SUCCESS &&
                  RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_scratch) == ERROR_SUCCESS;
    }
    ~EmptyLocalMachine() {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(m_scratch);
        RegDeleteTreeA(HKEY_CURRENT_USER, kPath);
    }
    bool Ready() const { return m_ready; }

private:
    static constexpr const char* kPath = "Software\\GaugeletPerfDataTest";
    HKEY m_scratch = nullptr;
    bool m_ready = false;
};

// A missing table key opens as a key of the layer's own; a table of the
// system's that holds the names passes unchanged, its own names kept.
TEST_F(RealRegistry, CounterTableHoldsTheStandardNamesWhetherTheKeyIsMissingOrNot) {
    EmptyLocalMachine emptyMachine;
    ASSERT_TRUE(emptyMachine.Ready());
    win32::RegKey key = 0;
    EXPECT_EQ(m_system.OpenKey(win32::kRootLocalMachine, perf::kCounterTableKey, win32::kKeyRead,
                               &key),
              win32::kErrorFileNotFound);
    ASSERT_EQ(m_registry.OpenKey(win32::kRootLocalMachine, perf::kCounterTableKey,
                                 win32::kKeyRead, &key),
              win32::kErrorSuccess);
    EXPECT_EQ(m_registry.CloseKey(key), win32::kErrorSuccess);
    EXPECT_EQ(m_registry.CloseKey(key), win32::kErrorInvalidHandle) << "closed once only";

    const char local[] = "6\0% Processor Time\0" "230\0Process\0" "238\0Processor\0"
                         "1000\0Local Name\0";
    for (const bool systemHasTable : {false, true}) {
        if (systemHasTable) {
            ASSERT_EQ(m_system.CreateKey(win32::kRootLocalMachine, perf::kCounterTableKey,
                                         win32::kKeyWrite, &key),
                      win32::kErrorSuccess);
            EXPECT_EQ(m_system.SetValue(key, perf::kCounterTableValue, win32::kRegMultiSz,
                                        reinterpret_cast<const std::uint8_t*>(local),
                                        sizeof(local)),
                      win32::kErrorSuccess);
            m_system.CloseKey(key);
        }
        SyntheticPerfData fresh(m_system, m_version);  // one that has not seen the system lack it
        SetRegistry(&fresh);
        std::vector<std::string> table;
        EXPECT_TRUE(LocalMachineRegistryObject().GetStringList(perf::kCounterTableKey,
                                                               perf::kCounterTableValue, table));
        ASSERT_GE(table.size(), 6u);
        EXPECT_EQ(std::vector<std::string>(table.begin(), table.begin() + 6),
                  (std::vector<std::string>{"6", "% Processor Time", "230", "Process", "238",
                                            "Processor"}));
        EXPECT_EQ(table.size(), systemHasTable ? 8u : 6u);
        SetRegistry(&m_registry);
    }
}

}  // namespace

#include "tests/perf/perf_fixture.h"

#include "registry/registry_object.h"

namespace {

const char kVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

TEST_F(PerfQueryTest, LocalProcessorTotalSamplesItsIdleCounter) {
    Serve("238", perf::BuildPerfBlock(OneObject(ProcessorObject({u"0", u"1", u"_Total"}, 500), 9000)));
    {
        CPerfQuery fresh;
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        EXPECT_FALSE(fresh.Sample(data, size, type));
    }
    CPerfQuery query;
    ASSERT_TRUE(query.Open("Processor", "% Processor Time", "_Total", ""));
    EXPECT_EQ(query.m_hRoot, win32::kRootPerformanceData);
    EXPECT_EQ(query.m_nCounterIndex, 1);
    EXPECT_EQ(query.m_nInstanceIndex, 2);
    std::vector<std::string> names{"stale"};
    query.GetInstanceNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"0", "1", "_Total"}));

    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t type = 0;
    ASSERT_TRUE(query.Sample(data, size, type));
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(type, perf::kCounterTypeTimer100NsInv);
    EXPECT_EQ(TakeValue(data, size), 502u);
    EXPECT_EQ(query.m_perfTime100nSec, 9000);
    EXPECT_EQ(query.m_perfTime, 7);
    EXPECT_EQ(query.m_perfFreq, 10000000);
}

TEST_F(PerfQueryTest, EachOpenQueryHoldsTheLocalRootOnce) {
    Serve("238", perf::BuildPerfBlock(OneObject(ProcessorObject({u"0", u"_Total"}))));
    {
        CPerfQuery meter;
        ASSERT_TRUE(meter.Open("Processor", "% Processor Time", "_Total", ""));
        EXPECT_TRUE(meter.Refresh());
        EXPECT_TRUE(meter.Refresh());
        EXPECT_EQ(g_nPerfDataUsers.load(), 1);
        EXPECT_TRUE(meter.Open("Processor", "% Processor Time", "0", ""));
        EXPECT_EQ(g_nPerfDataUsers.load(), 1);
        {
            // A fetch that fails still leaves the query open on the NT root.
            CPerfQuery missing;
            EXPECT_FALSE(missing.Open("Memory", "% Processor Time", "_Total", ""));
            EXPECT_TRUE(missing.m_bOpen);
            EXPECT_EQ(g_nPerfDataUsers.load(), 2);
        }
        EXPECT_EQ(g_nPerfDataUsers.load(), 1);
    }
    EXPECT_EQ(g_nPerfDataUsers.load(), 0);

    m_system.m_platformId = win32::kVerPlatformWin32Windows;
    {
        CPerfQuery dyn;
        dyn.Open("KERNEL", "CPUUsage", "", "");
        EXPECT_EQ(dyn.m_hRoot, win32::kRootDynData);
        EXPECT_EQ(g_nPerfDataUsers.load(), 0);
    }
    m_system.m_versionFails = true;
    CPerfQuery unknown;
    unknown.Open("KERNEL", "CPUUsage", "", "");
    EXPECT_EQ(unknown.m_hRoot, win32::kRootDynData);
    EXPECT_EQ(g_nPerfDataUsers.load(), 0);
}

TEST_F(PerfQueryTest, RemoteRootBelongsToItsQuery) {
    m_registry.SetMachineAnswers("\\\\far", true);
    m_registry.PutString("\\\\far", win32::kRootLocalMachine, kVersionKey, "CurrentVersion", "5.0");
    Serve("230", perf::BuildPerfBlock(OneObject([] {
              perf::ObjectSpec process = ProcessorObject({u"Idle", u"far", u"_Total"});
              process.nameTitleIndex = 230;
              return process;
          }())),
          "\\\\far");
    CPerfQuery meter;
    ASSERT_TRUE(meter.Open("Process", "% Processor Time", "far", "\\\\far"));
    EXPECT_NE(meter.m_hRoot, win32::kRootPerformanceData);
    EXPECT_EQ(m_registry.OpenHandleCount(), 1);
    ASSERT_TRUE(meter.Open("Process", "% Processor Time", "_Total", "\\\\far"));
    EXPECT_EQ(m_registry.OpenHandleCount(), 1);
    {
        CPerfQuery menu;
        EXPECT_FALSE(menu.Open("Process", "% Processor Time", "", "\\\\far"));
        std::vector<std::string> names;
        menu.GetInstanceNames(names);
        EXPECT_EQ(names, (std::vector<std::string>{"Idle", "far", "_Total"}));
        EXPECT_EQ(m_registry.OpenHandleCount(), 2);
    }
    EXPECT_EQ(m_registry.OpenHandleCount(), 1);
    Serve("238", perf::BuildPerfBlock(OneObject(ProcessorObject({u"_Total"}))));
    ASSERT_TRUE(meter.Open("Processor", "% Processor Time", "_Total", ""));
    EXPECT_EQ(m_registry.OpenHandleCount(), 0);
}

TEST_F(PerfQueryTest, UnreachableMachineIsRetriedNeverReadLocally) {
    Serve("238", perf::BuildPerfBlock(OneObject(ProcessorObject({u"_Total"}))));
    Serve("238", perf::BuildPerfBlock(OneObject(ProcessorObject({u"_Total"}))), "\\\\late");
    m_registry.PutString("\\\\late", win32::kRootLocalMachine, kVersionKey, "CurrentVersion", "4.0");
    CPerfQuery query;
    EXPECT_FALSE(query.Open("Processor", "% Processor Time", "_Total", "\\\\late"));
    EXPECT_FALSE(query.m_bOpen);
    EXPECT_FALSE(query.Refresh());
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t type = 0;
    EXPECT_FALSE(query.Sample(data, size, type));
    EXPECT_EQ(m_fetchCalls, 0);
    EXPECT_EQ(g_nPerfDataUsers.load(), 0);

    m_registry.SetMachineAnswers("\\\\late", true);
    EXPECT_FALSE(query.Refresh());  // after two failures one refresh waits
    EXPECT_TRUE(query.Refresh());
    EXPECT_TRUE(query.m_bOpen);
    ASSERT_TRUE(query.Sample(data, size, type));
    delete[] data;
    EXPECT_EQ(g_nPerfDataUsers.load(), 0);
}

TEST_F(PerfQueryTest, Remote9xMachineIsServedByTheStatistic) {
    m_registry.SetMachineAnswers("\\\\old", true);
    m_registry.PutDword("\\\\old", win32::kRootLocalMachine,
                        "System\\CurrentControlSet\\Control\\PerfStats\\Enum\\KERNEL\\CPUUsage",
                        "Name", 1);
    std::vector<std::string> machines;
    m_registry.SetDynDataHandler([&machines](const std::string& machine, const std::string& subKey,
                                             const std::string&, std::uint32_t* type,
                                             std::uint8_t* data, std::uint32_t* size) {
        machines.push_back(machine);
        if (type != nullptr) {
            *type = win32::kRegBinary;
        }
        if (subKey.find("statdata") != std::string::npos && data != nullptr && *size >= 4) {
            const std::uint32_t load = 37;
            std::memcpy(data, &load, 4);
        }
        if (size != nullptr) {
            *size = 4;
        }
        return win32::kErrorSuccess;
    });
    {
        CPerfQuery query;
        ASSERT_TRUE(query.Open("KERNEL", "CPUUsage", "", "\\\\old"));
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        ASSERT_TRUE(query.Sample(data, size, type));
        EXPECT_EQ(type, 4u);
        EXPECT_EQ(TakeValue(data, size), 37u);
    }
    EXPECT_GT(SpecialReads("perfstats\\stopstat\\KERNEL\\CPUUsage"), 0);
    ASSERT_FALSE(machines.empty());
    EXPECT_EQ(std::count(machines.begin(), machines.end(), std::string()), 0);
    EXPECT_EQ(m_registry.OpenHandleCount(), 0);
}

}  // namespace

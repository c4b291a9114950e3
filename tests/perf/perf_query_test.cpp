#include "tests/perf/perf_fixture.h"

namespace {

const char kVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char kAnnouncement[] = "System\\CurrentControlSet\\Control\\PerfStats\\Enum\\KERNEL\\CPUUsage";

std::vector<std::uint8_t> ProcessBlock(const std::vector<std::u16string>& names) {
    perf::ObjectSpec process = ProcessorObject(names);
    process.nameTitleIndex = 230;
    return perf::BuildPerfBlock(OneObject(process));
}

template <typename T>
void Poke(std::vector<std::uint8_t>& block, std::size_t offset, T value) {
    std::memcpy(block.data() + offset, &value, sizeof(T));
}

constexpr std::size_t kObject = sizeof(perf::PerfDataBlock);
constexpr std::size_t kFirstDefinition = kObject + sizeof(perf::PerfObjectType);
constexpr std::size_t kFirstInstance = kFirstDefinition + 2 * sizeof(perf::PerfCounterDefinition);

TEST_F(PerfQueryTest, LocalProcessorTotalSamplesItsIdleCounter) {
    Serve("238", perf::BuildPerfBlock(OneObject(ProcessorObject({u"0", u"1", u"_Total"}, 500), 9000)));
    CPerfQuery query;
    EXPECT_FALSE(SampleOf(query).ok) << "not opened";
    ASSERT_TRUE(query.Open("Processor", "% Processor Time", "_Total", ""));
    EXPECT_EQ(query.m_nCounterIndex, 1);
    EXPECT_EQ(NamesOf(query), (std::vector<std::string>{"0", "1", "_Total"}));
    const Sampled sample = SampleOf(query);
    ASSERT_TRUE(sample.ok);
    EXPECT_EQ(sample.size, 8u);
    EXPECT_EQ(sample.type, perf::kCounterTypeTimer100NsInv);
    EXPECT_EQ(sample.value, 502u);
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
        EXPECT_TRUE(meter.Open("Processor", "% Processor Time", "0", ""));
        {
            // A fetch that fails still leaves the query open on the NT root.
            CPerfQuery missing;
            EXPECT_FALSE(missing.Open("Memory", "% Processor Time", "_Total", ""));
            EXPECT_EQ(g_nPerfDataUsers.load(), 2);
        }
        EXPECT_EQ(g_nPerfDataUsers.load(), 1);
    }
    EXPECT_EQ(g_nPerfDataUsers.load(), 0);

    // A 9x system, or one that tells no version, is read from the dyn-data root.
    m_system.m_platformId = win32::kVerPlatformWin32Windows;
    for (bool versionFails : {false, true}) {
        m_system.m_versionFails = versionFails;
        CPerfQuery dyn;
        dyn.Open("KERNEL", "CPUUsage", "", "");
        EXPECT_EQ(dyn.m_hRoot, win32::kRootDynData);
        EXPECT_EQ(g_nPerfDataUsers.load(), 0);
    }
}

TEST_F(PerfQueryTest, RemoteRootBelongsToItsQueryAndIsRetriedNeverReadLocally) {
    m_registry.SetMachineAnswers("\\\\far", true);
    m_registry.PutString("\\\\far", win32::kRootLocalMachine, kVersionKey, "CurrentVersion", "5.0");
    Serve("230", ProcessBlock({u"Idle", u"far", u"_Total"}), "\\\\far");
    CPerfQuery meter;
    ASSERT_TRUE(meter.Open("Process", "% Processor Time", "far", "\\\\far"));
    ASSERT_TRUE(meter.Open("Process", "% Processor Time", "_Total", "\\\\far"));
    EXPECT_EQ(m_registry.OpenHandleCount(), 1);
    {
        CPerfQuery menu;
        EXPECT_FALSE(menu.Open("Process", "% Processor Time", "", "\\\\far"));
        EXPECT_EQ(NamesOf(menu), (std::vector<std::string>{"Idle", "far", "_Total"}));
        EXPECT_EQ(m_registry.OpenHandleCount(), 2);
    }
    EXPECT_EQ(m_registry.OpenHandleCount(), 1);
    Serve("238", perf::BuildPerfBlock(OneObject(ProcessorObject({u"_Total"}))));
    ASSERT_TRUE(meter.Open("Processor", "% Processor Time", "_Total", ""));
    EXPECT_EQ(m_registry.OpenHandleCount(), 0);
    EXPECT_EQ(g_nPerfDataUsers.load(), 1);

    Serve("238", perf::BuildPerfBlock(OneObject(ProcessorObject({u"_Total"}))), "\\\\late");
    m_registry.PutString("\\\\late", win32::kRootLocalMachine, kVersionKey, "CurrentVersion", "4.0");
    m_fetchCalls = 0;
    CPerfQuery late;
    EXPECT_FALSE(late.Open("Processor", "% Processor Time", "_Total", "\\\\late"));
    EXPECT_FALSE(late.Refresh());
    EXPECT_FALSE(SampleOf(late).ok);
    EXPECT_EQ(m_fetchCalls, 0);
    m_registry.SetMachineAnswers("\\\\late", true);
    EXPECT_FALSE(late.Refresh());  // after two failures one refresh waits
    EXPECT_TRUE(late.Refresh());
    EXPECT_TRUE(SampleOf(late).ok);
    EXPECT_EQ(g_nPerfDataUsers.load(), 1) << "a remote root is not the shared one";
}

TEST_F(PerfQueryTest, InstanceNamesFollowTheBlockAndDuplicatesBindTheLast) {
    Serve("230", ProcessBlock({u"Idle", u"app", u"_total", u"app", u"\u0141b", u"_Total"}));
    CPerfQuery query;
    EXPECT_FALSE(query.Open("Process", "% Processor Time", "", ""));
    EXPECT_EQ(NamesOf(query),
              (std::vector<std::string>{"Idle", "app", "_total", "app", "Ab", "_Total"}));
    const std::pair<const char*, std::int32_t> bound[] = {{"app", 3}, {"Ab", 4}, {"_Total", 5}};
    for (const auto& instance : bound) {
        EXPECT_TRUE(query.Open("Process", "% Processor Time", instance.first, ""));
        EXPECT_EQ(query.m_nInstanceIndex, instance.second) << instance.first;
    }
    // An unknown counter leaves the names of the last successful walk.
    EXPECT_FALSE(query.Open("Process", "% processor time", "_Total", ""));
    EXPECT_EQ(NamesOf(query).size(), 6u);
}

TEST_F(PerfQueryTest, ObjectWithoutInstancesOrAnUnpairedNameNeverBecomesValid) {
    perf::ObjectSpec system;
    system.nameTitleIndex = 2;
    system.counters = {{6, perf::kCounterTypeTimer100Ns, 8}};
    system.hasInstances = false;
    system.values = {5};
    Serve("2", perf::BuildPerfBlock(OneObject(system)));
    EXPECT_FALSE(CPerfQuery().Open("System", "% Processor Time", "", ""));

    m_registry.PutMultiString("", win32::kRootLocalMachine, kCounterTable, "Counter",
                              {"238", "Processor", "6"});
    Serve("238", perf::BuildPerfBlock(OneObject(ProcessorObject({u"_Total"}))));
    EXPECT_FALSE(CPerfQuery().Open("Processor", "% Processor Time", "_Total", ""));
}

TEST_F(PerfQueryTest, MalformedBlocksFailInsideTheirBytes) {
    const std::vector<std::uint8_t> good = ProcessBlock({u"app", u"_Total"});
    std::uint32_t firstInstanceLength = 0;
    std::memcpy(&firstInstanceLength, good.data() + kFirstInstance, 4);
    const struct {
        std::size_t offset;  // SIZE_MAX: cut the block there instead
        std::uint32_t value;
        bool sampleReachesFault;  // a sample walks up to its own instance and reads no name
    } cases[] = {
        {offsetof(perf::PerfDataBlock, HeaderLength), 0x7FFFFFF0u, true},
        {offsetof(perf::PerfDataBlock, NumObjectTypes), 0u, true},
        {kObject + offsetof(perf::PerfObjectType, HeaderLength), 0xFFFFFFF0u, true},
        {kFirstDefinition, 0u, true},
        {kObject + offsetof(perf::PerfObjectType, NumInstances), 1000u, false},
        {kFirstInstance, 0u, true},
        {kFirstInstance + offsetof(perf::PerfInstanceDefinition, NameOffset), 0x10000000u, false},
        {kFirstInstance + firstInstanceLength, 0u, true},
        {kFirstDefinition + sizeof(perf::PerfCounterDefinition) +
             offsetof(perf::PerfCounterDefinition, CounterOffset),
         0x00FFFFFFu, true},
        {SIZE_MAX, static_cast<std::uint32_t>(kFirstInstance + sizeof(perf::PerfInstanceDefinition) + 4), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        std::vector<std::uint8_t> broken = good;
        if (c.offset == SIZE_MAX) {
            broken.resize(c.value);
        } else {
            Poke(broken, c.offset, c.value);
        }
        Serve("230", good);
        CPerfQuery query;
        ASSERT_TRUE(query.Open("Process", "% Processor Time", "_Total", ""));
        Serve("230", broken);
        EXPECT_EQ(SampleOf(query).ok, !c.sampleReachesFault);
        if (c.offset != kFirstDefinition + sizeof(perf::PerfCounterDefinition) +
                            offsetof(perf::PerfCounterDefinition, CounterOffset)) {
            EXPECT_FALSE(query.Refresh());
        }
    }
}

TEST_F(PerfQueryTest, SamplesFailWhereTheStoredPositionNoLongerHoldsTheInstance) {
    Serve("230", ProcessBlock({u"a", u"b", u"watched"}));
    CPerfQuery query;
    ASSERT_TRUE(query.Open("Process", "% Processor Time", "watched", ""));
    Serve("230", ProcessBlock({u"a", u"b"}));
    EXPECT_FALSE(SampleOf(query).ok);
    Serve("230", ProcessBlock({u"b", u"x", u"y"}));
    EXPECT_FALSE(SampleOf(query).ok);
    Serve("230", ProcessBlock({u"b", u"x", u"watched"}));
    EXPECT_EQ(SampleOf(query).value, 2u);
    perf::ObjectSpec oneCounter = ProcessorObject({u"a", u"b", u"watched"});
    oneCounter.nameTitleIndex = 230;
    oneCounter.counters.resize(1);
    Serve("230", perf::BuildPerfBlock(OneObject(oneCounter)));
    EXPECT_FALSE(SampleOf(query).ok);
}

TEST_F(PerfQueryTest, LargeBlocksGrowInFewRoundsUpToACap) {
    std::vector<std::u16string> names(1500, u"a-process-with-a-long-name");
    names.push_back(u"_Total");
    Serve("230", ProcessBlock(names));
    CPerfQuery query;
    ASSERT_TRUE(query.Open("Process", "% Processor Time", "_Total", ""));
    EXPECT_EQ(m_fetchCalls, 2);
    m_fetchCalls = 0;
    ASSERT_TRUE(query.Refresh());
    EXPECT_EQ(m_fetchCalls, 1);  // the buffer is kept between reads

    m_reportsSize = false;
    m_fetchCalls = 0;
    CPerfQuery fresh;
    ASSERT_TRUE(fresh.Open("Process", "% Processor Time", "_Total", ""));
    EXPECT_EQ(m_fetchCalls, 5);  // doubling alone: 15,360 to 245,760 bytes

    m_registry.SetPerformanceDataHandler(
        [this](const std::string&, const std::string&, const std::string&, std::uint32_t*,
               std::uint8_t*, std::uint32_t* size) {
            ++m_fetchCalls;
            *size = 0xFFFFFFFFu;
            return win32::kErrorMoreData;
        });
    m_fetchCalls = 0;
    EXPECT_FALSE(query.Refresh());
    EXPECT_EQ(m_fetchCalls, 2);
}

// The 9x statistic, local or on a remote 9x machine: announced, it is
// started at each refresh, sampled as 4 bytes and stopped once per start.
TEST_F(PerfQueryTest, AnnouncedStatisticStartsSamplesAndStops) {
    std::uint32_t statBytes = 4;
    std::vector<std::string> machines;
    m_registry.SetDynDataHandler([&](const std::string& machine, const std::string& subKey,
                                     const std::string&, std::uint32_t* type, std::uint8_t* data,
                                     std::uint32_t* size) {
        machines.push_back(machine);
        if (type != nullptr) {
            *type = win32::kRegBinary;
        }
        const std::uint32_t stored = subKey.find("statdata") != std::string::npos ? statBytes : 4;
        if (size == nullptr) {
            return win32::kErrorSuccess;
        }
        if (data != nullptr) {
            if (*size < stored) {
                return win32::kErrorMoreData;
            }
            std::memset(data, 63, stored);
        }
        *size = stored;
        return win32::kErrorSuccess;
    });
    m_system.m_platformId = win32::kVerPlatformWin32Windows;
    m_registry.SetMachineAnswers("\\\\old", true);
    for (const std::string machine : {"", "\\\\old"}) {
        SCOPED_TRACE(machine);
        const std::size_t reads = m_registry.SpecialReadLog().size();
        const int starts = SpecialReads("startstat");
        const int stops = SpecialReads("stopstat");
        {
            CPerfQuery unannounced;
            EXPECT_FALSE(unannounced.Open("KERNEL", "CPUUsage", "", machine));
        }
        EXPECT_EQ(m_registry.SpecialReadLog().size(), reads);
        m_registry.PutDword(machine, win32::kRootLocalMachine, kAnnouncement, "Name", 1);
        {
            CPerfQuery query;
            ASSERT_TRUE(query.Open("KERNEL", "CPUUsage", "", machine));
            EXPECT_TRUE(query.Refresh());
            statBytes = 4;
            const Sampled sample = SampleOf(query);
            EXPECT_EQ(sample.type, 4u);
            EXPECT_EQ(sample.value, 0x3F3F3F3Fu);
            for (std::uint32_t wrong : {2u, 8u}) {
                statBytes = wrong;
                EXPECT_FALSE(SampleOf(query).ok) << wrong;
            }
            EXPECT_EQ(SpecialReads("stopstat"), stops);
        }
        const int started = SpecialReads("perfstats\\startstat\\KERNEL\\CPUUsage") - starts;
        EXPECT_GT(started, 0);
        EXPECT_EQ(SpecialReads("perfstats\\stopstat\\KERNEL\\CPUUsage") - stops, started / 2);
        EXPECT_EQ(static_cast<std::size_t>(std::count(machines.begin(), machines.end(), machine)),
                  machines.size());
        EXPECT_EQ(m_registry.OpenHandleCount(), 0);
        m_registry.DeleteKey(machine, win32::kRootLocalMachine, kAnnouncement);
        machines.clear();
    }
}

}  // namespace

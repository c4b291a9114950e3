#include <algorithm>

#include "perf/processor_instances.h"
#include "platform/processor_groups.h"
#include "tests/perf/perf_fixture.h"

namespace {

const char kVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char kAnnouncement[] = "System\\CurrentControlSet\\Control\\PerfStats\\Enum\\KERNEL\\CPUUsage";

TEST_F(PerfQueryTest, LocalProcessorTotalSamplesItsIdleCounterWithTheBlocksClock) {
    Serve("238", perf::BuildPerfBlock(OneObject(238, {u"0", u"1", u"_Total"}, 500, 9000)));
    CPerfQuery query;
    EXPECT_FALSE(SampleOf(query).ok) << "not opened";
    ASSERT_TRUE(query.Open("Processor", "% Processor Time", "_Total", ""));
    EXPECT_EQ(NamesOf(query), (std::vector<std::string>{"0", "1", "_Total"}));
    const Sampled sample = SampleOf(query);
    ASSERT_TRUE(sample.ok);
    EXPECT_EQ(sample.size, 8u);
    EXPECT_EQ(sample.type, perf::kCounterTypeTimer100NsInv);
    EXPECT_EQ(sample.value, 502u);
    EXPECT_EQ(query.m_perfTime100nSec, 9000);
    EXPECT_EQ(query.m_perfTime, 7);
    EXPECT_EQ(query.m_perfFreq, 10000000);

    perf::ObjectSpec system;  // an object without instances has nothing to watch
    system.nameTitleIndex = 2;
    system.counters = {{6, perf::kCounterTypeTimer100Ns, 8}};
    system.hasInstances = false;
    perf::BlockSpec spec;
    spec.objects.push_back(system);
    Serve("2", perf::BuildPerfBlock(spec));
    EXPECT_FALSE(CPerfQuery().Open("System", "% Processor Time", "", ""));
}

TEST_F(PerfQueryTest, EachOpenQueryHoldsTheLocalRootOnce) {
    Serve("238", Block(238, {u"0", u"_Total"}));
    {
        CPerfQuery meter;
        ASSERT_TRUE(meter.Open("Processor", "% Processor Time", "_Total", ""));
        EXPECT_TRUE(meter.Refresh());
        EXPECT_TRUE(meter.Open("Processor", "% Processor Time", "0", ""));
        {
            CPerfQuery missing;  // a failed fetch still leaves it open on the root
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

TEST_F(PerfQueryTest, RemoteRootBelongsToItsQueryAndAnUnreachableOneIsNeverReadLocally) {
    m_registry.SetMachineAnswers("\\\\far", true);
    m_registry.PutString("\\\\far", win32::kRootLocalMachine, kVersionKey, "CurrentVersion", "5.0");
    Serve("230", Block(230, {u"Idle", u"far", u"_Total"}), "\\\\far");
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
    Serve("238", Block(238, {u"_Total"}));
    ASSERT_TRUE(meter.Open("Processor", "% Processor Time", "_Total", ""));
    EXPECT_EQ(m_registry.OpenHandleCount(), 0);
    EXPECT_EQ(g_nPerfDataUsers.load(), 1);

    m_fetchCalls = 0;
    CPerfQuery late;  // unreachable for now
    EXPECT_FALSE(late.Open("Processor", "% Processor Time", "_Total", "\\\\late"));
    EXPECT_FALSE(late.Refresh());
    EXPECT_FALSE(SampleOf(late).ok);
    EXPECT_EQ(m_fetchCalls, 0) << "never the local machine's data instead";
    EXPECT_EQ(g_nPerfDataUsers.load(), 1) << "a remote root is not the shared one";
}

TEST_F(PerfQueryTest, InstanceNamesFollowTheBlockAndDuplicatesBindTheLast) {
    Serve("230", Block(230, {u"Idle", u"app", u"_total", u"app", u"\u0141b", u"_Total"}));
    CPerfQuery query;
    EXPECT_FALSE(query.Open("Process", "% Processor Time", "", ""));
    EXPECT_EQ(NamesOf(query),
              (std::vector<std::string>{"Idle", "app", "_total", "app", "Ab", "_Total"}));
    for (const auto& bound : {std::make_pair("app", 3), {"Ab", 4}, {"_Total", 5}}) {
        EXPECT_TRUE(query.Open("Process", "% Processor Time", bound.first, ""));
        EXPECT_EQ(SampleOf(query).value, static_cast<std::uint64_t>(bound.second)) << bound.first;
    }
    // An unknown counter leaves the names of the last successful walk.
    EXPECT_FALSE(query.Open("Process", "% processor time", "_Total", ""));
    EXPECT_EQ(NamesOf(query).size(), 6u);
}

// A cut anywhere in the records the walk reads, or a hostile length or
// offset, refuses the block: nothing is read outside its bytes.
TEST_F(PerfQueryTest, CutOrHostileBlocksAreRefused) {
    const std::vector<std::uint8_t> good = Block(230, {u"app", u"_Total"});
    const std::size_t lastCounterBlock = good.size() - 24;  // its header, then two values
    const auto check = [&](const std::vector<std::uint8_t>& broken, bool opens, bool samples) {
        Serve("230", good);
        CPerfQuery opened;
        ASSERT_TRUE(opened.Open("Process", "% Processor Time", "_Total", ""));
        Serve("230", broken);
        EXPECT_EQ(SampleOf(opened).ok, samples);
        EXPECT_EQ(CPerfQuery().Open("Process", "% Processor Time", "_Total", ""), opens);
    };
    for (std::size_t size = 0; size < good.size(); ++size) {
        SCOPED_TRACE(size);
        check({good.begin(), good.begin() + static_cast<long>(size)},
              size >= lastCounterBlock + sizeof(perf::PerfCounterBlock), false);
    }
    constexpr std::size_t kObject = sizeof(perf::PerfDataBlock);
    constexpr std::size_t kDefinition = kObject + sizeof(perf::PerfObjectType);
    constexpr std::size_t kInstance = kDefinition + 2 * sizeof(perf::PerfCounterDefinition);
    std::uint32_t instanceLength = 0;
    std::memcpy(&instanceLength, good.data() + kInstance, 4);
    const struct {
        std::size_t at;
        std::uint32_t value;
        bool opens, samples;  // a sample walks up to its own instance and reads no other name
    } pokes[] = {
        {offsetof(perf::PerfDataBlock, HeaderLength), 0x7FFFFFF0u, false, false},
        {offsetof(perf::PerfDataBlock, NumObjectTypes), 0u, false, false},
        {kObject + offsetof(perf::PerfObjectType, HeaderLength), 0xFFFFFFF0u, false, false},
        {kObject + offsetof(perf::PerfObjectType, NumInstances), 1000u, false, true},
        {kDefinition, 0u, false, false},
        {kDefinition + sizeof(perf::PerfCounterDefinition) +
             offsetof(perf::PerfCounterDefinition, CounterOffset), 0x00FFFFFFu, true, false},
        {kInstance, 0u, false, false},
        {kInstance + offsetof(perf::PerfInstanceDefinition, NameOffset), 0x10000000u, false, true},
        {kInstance + instanceLength, 0u, false, false},
        {lastCounterBlock, 0u, false, false},
    };
    for (const auto& poke : pokes) {
        SCOPED_TRACE(poke.at);
        std::vector<std::uint8_t> broken = good;
        std::memcpy(broken.data() + poke.at, &poke.value, 4);
        check(broken, poke.opens, poke.samples);
    }
}

TEST_F(PerfQueryTest, SamplesFailWhereTheStoredPositionNoLongerHoldsTheInstance) {
    Serve("230", Block(230, {u"a", u"b", u"watched"}));
    CPerfQuery query;
    ASSERT_TRUE(query.Open("Process", "% Processor Time", "watched", ""));
    for (const auto& names : std::vector<std::vector<std::u16string>>{{u"a", u"b"},
                                                                      {u"b", u"x", u"y"}}) {
        Serve("230", Block(230, names));
        EXPECT_FALSE(SampleOf(query).ok);
    }
    Serve("230", Block(230, {u"b", u"x", u"watched"}));
    EXPECT_EQ(SampleOf(query).value, 2u);
    perf::BlockSpec oneCounter = OneObject(230, {u"a", u"b", u"watched"});
    oneCounter.objects[0].counters.resize(1);
    Serve("230", perf::BuildPerfBlock(oneCounter));
    EXPECT_FALSE(SampleOf(query).ok);
}

TEST_F(PerfQueryTest, LargeBlocksGrowInFewRoundsUpToACap) {
    std::vector<std::u16string> names(1500, u"a-process-with-a-long-name");
    names.push_back(u"_Total");
    Serve("230", Block(230, names));
    CPerfQuery query;
    ASSERT_TRUE(query.Open("Process", "% Processor Time", "_Total", ""));
    EXPECT_EQ(m_fetchCalls, 2);
    m_fetchCalls = 0;
    ASSERT_TRUE(query.Refresh());
    EXPECT_EQ(m_fetchCalls, 1);  // the buffer is kept between reads

    m_reportsSize = false;
    m_fetchCalls = 0;
    ASSERT_TRUE(CPerfQuery().Open("Process", "% Processor Time", "_Total", ""));
    EXPECT_EQ(m_fetchCalls, 5);  // doubling alone: 15,360 to 245,760 bytes

    m_registry.SetPerformanceDataHandler([this](auto&, auto&, auto&, std::uint32_t*,
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
        const std::uint32_t stored = subKey.find("statdata") != std::string::npos ? statBytes : 4;
        if (type != nullptr) {
            *type = win32::kRegBinary;
        }
        if (data != nullptr && *size < stored) {
            return win32::kErrorMoreData;
        }
        if (data != nullptr) {
            std::memset(data, 63, stored);
        }
        if (size != nullptr) {
            *size = stored;
        }
        return win32::kErrorSuccess;
    });
    const auto reads = [this](const std::string& what) {
        return std::count(m_registry.SpecialReadLog().begin(), m_registry.SpecialReadLog().end(),
                          "perfstats\\" + what + "\\KERNEL\\CPUUsage");
    };
    m_system.m_platformId = win32::kVerPlatformWin32Windows;
    m_registry.SetMachineAnswers("\\\\old", true);
    for (const std::string machine : {"", "\\\\old"}) {
        SCOPED_TRACE(machine);
        const std::size_t before = m_registry.SpecialReadLog().size();
        const auto starts = reads("startstat"), stops = reads("stopstat");
        EXPECT_FALSE(CPerfQuery().Open("KERNEL", "CPUUsage", "", machine));
        EXPECT_EQ(m_registry.SpecialReadLog().size(), before) << "not announced: not read";
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
            EXPECT_EQ(reads("stopstat"), stops);
        }
        const auto started = reads("startstat") - starts;
        EXPECT_GT(started, 0);
        EXPECT_EQ(reads("stopstat") - stops, started / 2);
        EXPECT_EQ(std::count(machines.begin(), machines.end(), machine),
                  static_cast<long>(machines.size()));
        EXPECT_EQ(m_registry.OpenHandleCount(), 0);
        machines.clear();
    }
}

// Two groups of 40, as the kernel's group-aware call answers them: group g's
// processor p has been idle 1000 x g + p units.
TEST_F(PerfQueryTest, EveryGroupsProcessorsAreNumberedInOrderAndTotalIsTheMeanOfAll) {
    std::vector<std::uint16_t> asked;
    const auto kernel = [&](std::uint16_t group, std::vector<std::int64_t>& idle) {
        asked.push_back(group);
        idle.clear();
        for (std::int64_t p = 0; p < 40; ++p) {
            idle.push_back(1000 * group + p);
        }
        return group < 2;
    };
    std::vector<std::int64_t> idle;
    EXPECT_FALSE(ReadIdleOfEveryGroup(3, kernel, idle));  // a group that fails fails all
    ASSERT_TRUE(ReadIdleOfEveryGroup(2, kernel, idle));
    EXPECT_EQ(asked, (std::vector<std::uint16_t>{0, 1, 2, 0, 1}));
    perf::BlockSpec spec = OneObject(238, {});
    spec.objects[0].counters.erase(spec.objects[0].counters.begin());
    spec.objects[0].instances = perf::ProcessorInstances(idle);
    Serve("238", perf::BuildPerfBlock(spec));

    const std::pair<const char*, std::uint64_t> expected[] = {
        {"0", 0}, {"39", 39}, {"40", 1000}, {"79", 1039}, {"_Total", 519}};
    for (const auto& instance : expected) {
        CPerfQuery query;
        ASSERT_TRUE(query.Open("Processor", "% Processor Time", instance.first, ""));
        EXPECT_EQ(NamesOf(query).size(), 81u);
        EXPECT_EQ(SampleOf(query).value, instance.second) << instance.first;
    }
}

}  // namespace

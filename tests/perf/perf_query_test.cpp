#include <algorithm>
#include <tuple>

#include "perf/processor_instances.h"
#include "perf/synthetic_perf_data.h"
#include "platform/processor_groups.h"
#include "registry/registry_object.h"
#include "tests/perf/perf_fixture.h"

namespace {

const char kAnnouncement[] = "System\\CurrentControlSet\\Control\\PerfStats\\Enum\\KERNEL\\CPUUsage";

// The shared local root is held once per open query, one whose fetch failed
// included; a remote root is the query's own, and a query of an unreachable
// machine never reads the local data instead.
TEST_F(PerfQueryTest, EachQueryHoldsTheLocalRootOnceAndOwnsItsRemoteRoot) {
    m_registry.AddMachine("\\\\far", "5.0");
    Serve("230", Block(230, {u"far", u"_Total"}), "\\\\far");
    Serve("238", Block(238, {u"_Total"}));
    CPerfQuery meter, missing, late;
    ASSERT_TRUE(meter.Open("Process", "% Processor Time", "far", "\\\\far"));
    ASSERT_TRUE(meter.Open("Process", "% Processor Time", "_Total", "\\\\far"));
    EXPECT_EQ(m_registry.OpenHandleCount(), 1);
    EXPECT_EQ(g_nPerfDataUsers.load(), 0);
    ASSERT_TRUE(meter.Open("Processor", "% Processor Time", "_Total", ""));
    EXPECT_EQ(m_registry.OpenHandleCount(), 0);
    EXPECT_FALSE(missing.Open("Memory", "% Processor Time", "_Total", ""));
    EXPECT_FALSE(late.Open("Processor", "% Processor Time", "_Total", "\\\\late"));
    EXPECT_FALSE(late.Refresh());
    EXPECT_EQ(g_nPerfDataUsers.load(), 2);
}

TEST_F(PerfQueryTest, InstanceNamesFollowTheBlock) {
    Serve("230", Block(230, {u"app", u"_total", u"app", u"\u0141b"}));
    CPerfQuery query;
    EXPECT_FALSE(query.Open("Process", "% Processor Time", "", ""));
    EXPECT_EQ(NamesOf(query), (std::vector<std::string>{"app", "_total", "app", "Ab"}));
    EXPECT_TRUE(query.Open("Process", "% Processor Time", "app", ""));
    // An unknown counter leaves the names of the last successful walk.
    EXPECT_FALSE(query.Open("Process", "% processor time", "app", ""));
    EXPECT_EQ(NamesOf(query).size(), 4u);
}

// A cut anywhere in the records the walk reads, or a hostile length, count
// or offset, refuses the block: nothing is read outside its bytes.
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
    const struct {
        std::size_t at;
        std::uint32_t value;
        bool opens, samples;  // a sample walks up to its own instance and reads no other name
    } pokes[] = {
        {offsetof(perf::PerfDataBlock, NumObjectTypes), 0u, false, false},
        {kObject + offsetof(perf::PerfObjectType, NumInstances), 1000u, false, true},
        {kDefinition, 0u, false, false},
        {kDefinition + sizeof(perf::PerfCounterDefinition) +
             offsetof(perf::PerfCounterDefinition, CounterOffset), 0x00FFFFFFu, true, false},
        {kInstance, 0u, false, false},
        {kInstance + offsetof(perf::PerfInstanceDefinition, NameOffset), 0x10000000u, false, true},
        {lastCounterBlock, 0u, false, false},
    };
    for (const auto& poke : pokes) {
        SCOPED_TRACE(poke.at);
        std::vector<std::uint8_t> broken = good;
        std::memcpy(broken.data() + poke.at, &poke.value, 4);
        check(broken, poke.opens, poke.samples);
    }
}

TEST_F(PerfQueryTest, LargeBlocksGrowInFewRoundsUpToACap) {
    std::vector<std::u16string> names(1500, u"a-process-with-a-long-name");
    names.push_back(u"_Total");
    Serve("230", Block(230, names));
    CPerfQuery query;
    ASSERT_TRUE(query.Open("Process", "% Processor Time", "_Total", ""));
    EXPECT_EQ(Reads(), 2u);
    ASSERT_TRUE(query.Refresh());
    EXPECT_EQ(Reads(), 3u) << "the buffer is kept between reads";

    // A size that grows at every read is followed up to a cap.
    m_registry.SetPerformanceDataHandler(
        [](auto&, auto&, auto&, std::uint32_t*, std::uint8_t*, std::uint32_t* size) {
            *size = 0xFFFFFFFFu;
            return win32::kErrorMoreData;
        });
    EXPECT_FALSE(query.Refresh());
    EXPECT_EQ(Reads(), 3u + 2u);
}

// The 9x statistic, local, on a remote 9x machine, and on one that answers
// only later: announced, it is started, sampled as 4 bytes and stopped with
// its query.
TEST_F(PerfQueryTest, AnnouncedStatisticStartsSamplesAndStops) {
    const auto reads = [this](const std::string& what) {
        const std::vector<std::string>& log = m_registry.SpecialReadLog();
        return std::count(log.begin(), log.end(), "perfstats\\" + what + "\\KERNEL\\CPUUsage");
    };
    m_system.m_platformId = FakeSystem::kPlatformWindows9x;
    m_registry.SetMachineAnswers("\\\\old", true);
    for (const std::string machine : {"", "\\\\old", "\\\\late"}) {
        SCOPED_TRACE(machine);
        const auto starts = reads("startstat"), stops = reads("stopstat");
        {
            CPerfQuery query;
            EXPECT_FALSE(query.Open("KERNEL", "CPUUsage", "", machine)) << "not announced or not answering";
            m_registry.SetMachineAnswers(machine, true);
            m_registry.PutDword(machine, win32::kRootLocalMachine, kAnnouncement, "Name", 1);
            ASSERT_TRUE(query.Refresh() && query.m_bOpen);
            EXPECT_GT(reads("startstat"), starts);
            for (const std::size_t size : {4u, 2u, 8u}) {
                m_registry.Put(machine, win32::kRootDynData, "PerfStats\\StatData",
                               "KERNEL\\CPUUsage", win32::kRegBinary,
                               std::vector<std::uint8_t>(size, 63));
                EXPECT_EQ(SampleOf(query).value, size == 4 ? 0x3F3F3F3Fu : 0u) << size;
            }
            EXPECT_EQ(reads("stopstat"), stops);
        }
        EXPECT_GT(reads("stopstat"), stops);
    }
}

// Two groups of 40, as the kernel's group-aware call answers them: group g's
// processor p has been idle 1000 x g + p units.
TEST(ProcessorGroups, EveryGroupsProcessorsAreNumberedInOrderAndTotalIsTheMeanOfAll) {
    const auto kernel = [](std::uint16_t group, std::vector<std::int64_t>& idle) {
        idle.clear();
        for (std::int64_t p = 0; p < 40; ++p) {
            idle.push_back(1000 * group + p);
        }
        return group < 2;
    };
    std::vector<std::int64_t> idle;
    EXPECT_FALSE(ReadIdleOfEveryGroup(3, kernel, idle));  // a group that fails fails all
    ASSERT_TRUE(ReadIdleOfEveryGroup(2, kernel, idle));
    const std::vector<perf::InstanceSpec> instances = perf::ProcessorInstances(idle);
    ASSERT_EQ(instances.size(), 81u);
    for (const auto& [at, name, idleTime] :
         {std::tuple(0u, u"0", 0u), {40u, u"40", 1000u}, {79u, u"79", 1039u}, {80u, u"_Total", 519u}}) {
        EXPECT_EQ(instances[at].name, name);
        EXPECT_EQ(instances[at].values, std::vector<std::uint64_t>{idleTime}) << at;
    }
}

// The performance data made from the kernel's times, over the in-memory
// registry and a system whose times the test chooses.
class SyntheticPerfDataTest : public PerfQueryTest {
protected:
    void SetUp() override {
        PerfQueryTest::SetUp();
        SetRegistry(&m_synthetic);
        // What Wine's registry serves: blocks that hold no object.
        Serve("238", perf::BuildPerfBlock(perf::BlockSpec{}));
        Serve("230", perf::BuildPerfBlock(perf::BlockSpec{}));
        m_system.m_processorIdle = {400, 600};
        m_system.m_clock = {77, 3579545, 5000};
    }


    SyntheticPerfData m_synthetic{m_registry, m_system};
};

// A caller that asks for the size first, or whose buffer is short, is told
// the size of the whole block; a buffer without a size is refused.
TEST_F(SyntheticPerfDataTest, ShortBuffersAskForTheWholeValue) {
    std::uint32_t needed = 0;
    ASSERT_EQ(m_synthetic.QueryValue(win32::kRootPerformanceData, "238", nullptr, nullptr, &needed),
              win32::kErrorSuccess);
    std::vector<std::uint8_t> block(needed);
    EXPECT_EQ(m_synthetic.QueryValue(win32::kRootPerformanceData, "238", nullptr, block.data(),
                                     nullptr),
              win32::kErrorInvalidParameter);
    for (const std::uint32_t capacity : {16u, needed}) {
        std::uint32_t size = capacity;
        EXPECT_EQ(m_synthetic.QueryValue(win32::kRootPerformanceData, "238", nullptr,
                                         block.data(), &size),
                  capacity < needed ? win32::kErrorMoreData : win32::kErrorSuccess);
        EXPECT_EQ(size, needed);
    }
}

// Idle is the processors' idle time and the processors' _Total their mean;
// the unnamed process counts in the processes' total only. The system's
// empty blocks are read once.
TEST_F(SyntheticPerfDataTest, ProcessesAreNamedByImageAndIdleAndTotalCountEveryProcessor) {
    m_system.m_processes = {{0, u"", 999},
                            {4, u"System", 10},
                            {88, u"C:\\Windows\\explorer.exe", 30},
                            {90, u".hidden", 5},
                            {91, u"", 7}};
    const struct {
        const char *object, *instance;
        std::uint64_t value;
        std::uint32_t type;
    } cases[] = {{"Processor", "_Total", 500, perf::kCounterTypeTimer100NsInv},
                 {"Processor", "1", 600, perf::kCounterTypeTimer100NsInv},
                 {"Process", "_Total", 1000 + 10 + 30 + 5 + 7, perf::kCounterTypeTimer100Ns},
                 {"Process", "Idle", 1000, perf::kCounterTypeTimer100Ns},
                 {"Process", "explorer", 30, perf::kCounterTypeTimer100Ns},
                 {"Process", ".hidden", 5, perf::kCounterTypeTimer100Ns}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.instance);
        CPerfQuery query;
        ASSERT_TRUE(query.Open(c.object, "% Processor Time", c.instance, ""));
        const Sampled sample = SampleOf(query);
        EXPECT_EQ(std::tuple(sample.value, sample.type), std::tuple(c.value, c.type));
        // Stamped with the system's clock.
        EXPECT_EQ(std::tuple(query.m_perfTime, query.m_perfFreq, query.m_perfTime100nSec),
                  std::tuple(77, 3579545, 5000));
    }
    EXPECT_EQ(Reads(), 2u);
    // The processors' block follows a change in their number.
    m_system.m_processorIdle = {300, 600, 900};
    CPerfQuery third;
    ASSERT_TRUE(third.Open("Processor", "% Processor Time", "2", ""));
    EXPECT_EQ(SampleOf(third).value, 900u);
    CPerfQuery processes;
    processes.Open("Process", "% Processor Time", "", "");
    EXPECT_EQ(NamesOf(processes), (std::vector<std::string>{"Idle", "System", "explorer", ".hidden", "_Total"}));

    // What the kernel cannot tell is not made up.
    m_system.m_processes.clear();
    EXPECT_FALSE(CPerfQuery().Open("Process", "% Processor Time", "_Total", ""));
    m_system.m_processes = {{4, u"System", 10}};
    m_system.m_processorIdle.clear();
    EXPECT_FALSE(CPerfQuery().Open("Process", "% Processor Time", "_Total", ""));
}

// The table, its key and value named in any case, is served whole where
// the system's key is missing or its table lacks the standard names, and
// passes through where it holds them. The key made up where the system
// lacks it is read-only and closed once.
TEST_F(SyntheticPerfDataTest, CounterTableLackingTheNamesIsServedWithThem) {
    const std::vector<std::string> standard = {"6", "% Processor Time", "230", "Process",
                                               "238", "Processor"};
    std::vector<std::string> local = standard;
    local.insert(local.end(), {"1000", "Local Name"});
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{}, standard}, {{"1", "1847"}, standard}, {local, local}};
    for (const auto& c : cases) {
        MemoryRegistry system;
        if (!c.first.empty()) {
            system.PutMultiString("", win32::kRootLocalMachine, perf::kCounterTableKey,
                                  perf::kCounterTableValue, c.first);
        }
        SyntheticPerfData layer(system, m_system);
        SetRegistry(&layer);
        std::vector<std::string> table;
        EXPECT_TRUE(LocalMachineRegistryObject().GetStringList(
            "software\\MICROSOFT\\windows nt\\currentversion\\perflib\\009", "COUNTER", table));
        EXPECT_EQ(table, c.second);
        win32::RegKey key = 0;
        ASSERT_EQ(layer.OpenKey(win32::kRootLocalMachine, perf::kCounterTableKey, win32::kKeyRead, &key),
                  win32::kErrorSuccess);
        EXPECT_EQ(layer.SetValue(key, "Other", win32::kRegSz, nullptr, 0),
                  c.first.empty() ? win32::kErrorAccessDenied : win32::kErrorSuccess);
        EXPECT_EQ(layer.CloseKey(key), win32::kErrorSuccess);
        EXPECT_EQ(layer.CloseKey(key), win32::kErrorInvalidHandle);
        EXPECT_EQ(system.OpenHandleCount(), 0);
    }
    SetRegistry(&m_synthetic);
}

// Once an object's source is chosen it stays: a block of the other source's
// shape would put stored positions on other instances.
TEST_F(SyntheticPerfDataTest, AnObjectKeepsItsSourceAndAFailedReadFails) {
    const auto own = [](const std::string& object) {
        return Block(static_cast<std::uint32_t>(std::stoul(object)), {u"_Total"});
    };
    std::int32_t answer = win32::kErrorSuccess;
    m_registry.SetPerformanceDataHandler([&](auto&, auto&, const std::string& name, std::uint32_t* type,
                                             std::uint8_t* data, std::uint32_t* size) {
        return answer != win32::kErrorSuccess
                   ? answer
                   : AnswerQueryValue(own(name), win32::kRegBinary, size != nullptr ? *size : 0, type, data, size);
    });
    m_system.m_processes = {{4, u"System", 10}};  // either source can serve
    const std::int32_t kLost = win32::kErrorFileNotFound;
    const struct {
        const char* object;
        std::int32_t systemAnswer, status;
        bool systemsBlock;
    } steps[] = {{"230", 0, 0, true}, {"230", kLost, kLost, false}, {"230", 0, 0, true},
                 {"238", kLost, 0, false}, {"238", 0, 0, false}};
    for (const auto& step : steps) {
        answer = step.systemAnswer;
        std::vector<std::uint8_t> block(1u << 20);
        std::uint32_t size = static_cast<std::uint32_t>(block.size());
        EXPECT_EQ(m_synthetic.QueryValue(win32::kRootPerformanceData, step.object, nullptr,
                                         block.data(), &size),
                  step.status)
            << step.object;
        block.resize(step.status == win32::kErrorSuccess ? size : 0);
        EXPECT_EQ(block == own(step.object), step.systemsBlock) << step.object;
    }
}

}  // namespace

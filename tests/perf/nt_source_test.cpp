#include "tests/perf/perf_fixture.h"

namespace {

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
constexpr std::size_t kFirstInstance =
    kObject + sizeof(perf::PerfObjectType) + 2 * sizeof(perf::PerfCounterDefinition);

TEST_F(PerfQueryTest, InstanceNamesFollowTheBlock) {
    Serve("230", ProcessBlock({u"Idle", u"app", u"_total", u"app", u"\u0141b", u"_Total"}));
    CPerfQuery query;
    EXPECT_FALSE(query.Open("Process", "% Processor Time", "", ""));
    std::vector<std::string> names;
    query.GetInstanceNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Idle", "app", "_total", "app", "Ab", "_Total"}));
    EXPECT_EQ(query.m_nCounterIndex, 1);
    EXPECT_EQ(query.m_nInstanceIndex, -1);

    EXPECT_TRUE(query.Open("Process", "% Processor Time", "app", ""));
    EXPECT_EQ(query.m_nInstanceIndex, 3);
    EXPECT_TRUE(query.Open("Process", "% Processor Time", "Ab", ""));
    EXPECT_EQ(query.m_nInstanceIndex, 4);
    EXPECT_TRUE(query.Open("Process", "% Processor Time", "_Total", ""));
    EXPECT_EQ(query.m_nInstanceIndex, 5);

    // An unknown counter leaves the names of the last successful walk.
    EXPECT_FALSE(query.Open("Process", "% processor time", "_Total", ""));
    EXPECT_EQ(query.m_nCounterIndex, -1);
    query.GetInstanceNames(names);
    EXPECT_EQ(names.size(), 6u);
}

TEST_F(PerfQueryTest, ObjectWithoutInstancesNeverBecomesValid) {
    perf::ObjectSpec system;
    system.nameTitleIndex = 2;
    system.counters = {{6, perf::kCounterTypeTimer100Ns, 8}};
    system.hasInstances = false;
    system.values = {5};
    Serve("2", perf::BuildPerfBlock(OneObject(system)));
    CPerfQuery query;
    EXPECT_FALSE(query.Open("System", "% Processor Time", "", ""));
    EXPECT_EQ(query.m_nCounterIndex, 0);
    EXPECT_EQ(query.m_nInstanceIndex, -1);
}

TEST_F(PerfQueryTest, UnpairedTableEntryIsNeverExamined) {
    m_registry.PutMultiString("", win32::kRootLocalMachine, kCounterTable, "Counter",
                              {"238", "Processor", "6"});
    Serve("238", perf::BuildPerfBlock(OneObject(ProcessorObject({u"_Total"}))));
    CPerfQuery query;
    EXPECT_FALSE(query.Open("Processor", "% Processor Time", "_Total", ""));
    EXPECT_EQ(query.m_nCounterIndex, -1);
}

TEST_F(PerfQueryTest, MalformedBlocksFailInsideTheirBytes) {
    const std::vector<std::uint8_t> good = ProcessBlock({u"app", u"_Total"});
    std::vector<std::vector<std::uint8_t>> broken;
    auto change = [&](auto edit) {
        std::vector<std::uint8_t> block = good;
        edit(block);
        broken.push_back(block);
    };
    change([](auto& b) { Poke<std::uint32_t>(b, offsetof(perf::PerfDataBlock, HeaderLength), 0x7FFFFFF0u); });
    change([](auto& b) { Poke<std::uint32_t>(b, offsetof(perf::PerfDataBlock, NumObjectTypes), 0u); });
    change([](auto& b) { Poke<std::uint32_t>(b, kObject + offsetof(perf::PerfObjectType, HeaderLength), 0xFFFFFFF0u); });
    change([](auto& b) { Poke<std::uint32_t>(b, kObject + sizeof(perf::PerfObjectType), 0u); });
    change([](auto& b) { Poke<std::uint32_t>(b, kObject + offsetof(perf::PerfObjectType, NumInstances), 1000u); });
    change([](auto& b) { Poke<std::uint32_t>(b, kFirstInstance, 0u); });
    change([](auto& b) { Poke<std::uint32_t>(b, kFirstInstance + offsetof(perf::PerfInstanceDefinition, NameOffset), 0x10000000u); });
    change([](auto& b) {
        std::uint32_t length = 0;
        std::memcpy(&length, b.data() + kFirstInstance, 4);
        Poke<std::uint32_t>(b, kFirstInstance + length, 0u);
    });
    change([](auto& b) { b.resize(kFirstInstance + sizeof(perf::PerfInstanceDefinition) + 4); });

    for (std::size_t i = 0; i < broken.size(); ++i) {
        SCOPED_TRACE(i);
        Serve("230", good);
        CPerfQuery query;
        ASSERT_TRUE(query.Open("Process", "% Processor Time", "_Total", ""));
        Serve("230", broken[i]);
        EXPECT_FALSE(query.Refresh());
        Serve("230", good);
        ASSERT_TRUE(query.Refresh());
        Serve("230", broken[i]);
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        // The sample walks only up to its own instance and reads no names.
        const bool sampleReachesFault = i != 4 && i != 6;
        EXPECT_EQ(query.Sample(data, size, type), !sampleReachesFault);
        if (!sampleReachesFault) {
            delete[] data;
        }
    }

    std::vector<std::uint8_t> farValue = good;
    Poke<std::uint32_t>(farValue, kObject + sizeof(perf::PerfObjectType) + sizeof(perf::PerfCounterDefinition) +
                                      offsetof(perf::PerfCounterDefinition, CounterOffset),
                        0x00FFFFFFu);
    Serve("230", good);
    CPerfQuery query;
    ASSERT_TRUE(query.Open("Process", "% Processor Time", "_Total", ""));
    Serve("230", farValue);
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t type = 0;
    EXPECT_FALSE(query.Sample(data, size, type));
}

TEST_F(PerfQueryTest, SamplesFailWhereTheStoredPositionNoLongerHoldsTheInstance) {
    Serve("230", ProcessBlock({u"a", u"b", u"watched"}));
    CPerfQuery query;
    ASSERT_TRUE(query.Open("Process", "% Processor Time", "watched", ""));
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t type = 0;
    Serve("230", ProcessBlock({u"a", u"b"}));
    EXPECT_FALSE(query.Sample(data, size, type));
    Serve("230", ProcessBlock({u"b", u"x", u"y"}));
    EXPECT_FALSE(query.Sample(data, size, type));
    Serve("230", ProcessBlock({u"b", u"x", u"watched"}));
    ASSERT_TRUE(query.Sample(data, size, type));
    EXPECT_EQ(TakeValue(data, size), 2u);

    perf::ObjectSpec oneCounter = ProcessorObject({u"a", u"b", u"watched"});
    oneCounter.nameTitleIndex = 230;
    oneCounter.counters.resize(1);
    Serve("230", perf::BuildPerfBlock(OneObject(oneCounter)));
    EXPECT_FALSE(query.Sample(data, size, type));
}

TEST_F(PerfQueryTest, LargeBlocksGrowInFewRoundsUpToACap) {
    std::vector<std::u16string> names(1500, u"a-process-with-a-long-name");
    names.push_back(u"_Total");
    Serve("230", ProcessBlock(names));
    ASSERT_GT(m_blocks.begin()->second.size(), 60000u);
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

}  // namespace

// The performance data made from the kernel's times, over the in-memory
// registry and a system whose times the test chooses.
#include "perf/synthetic_perf_data.h"
#include "registry/registry_object.h"
#include "tests/perf/perf_fixture.h"

namespace {

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

    // One sample of a query that must open, stamped with the system's clock.
    Sampled OpenAndSample(const std::string& object, const std::string& instance) {
        CPerfQuery query;
        EXPECT_TRUE(query.Open(object, "% Processor Time", instance, "")) << object;
        m_names = NamesOf(query);
        const Sampled sample = SampleOf(query);
        EXPECT_EQ(query.m_perfTime, 77);
        EXPECT_EQ(query.m_perfFreq, 3579545);
        EXPECT_EQ(query.m_perfTime100nSec, 5000);
        return sample;
    }

    SyntheticPerfData m_synthetic{m_registry, m_system};
    std::vector<std::string> m_names;
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
        const Sampled sample = OpenAndSample(c.object, c.instance);
        EXPECT_EQ(sample.value, c.value) << c.instance;
        EXPECT_EQ(sample.type, c.type) << c.instance;
    }
    EXPECT_EQ(Reads(), 2u);
    EXPECT_EQ(m_names, (std::vector<std::string>{"Idle", "System", "explorer", ".hidden", "_Total"}));

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
        return answer != win32::kErrorSuccess ? answer
                                              : AnswerQueryValue(own(name), win32::kRegBinary,
                                                                 size != nullptr ? *size : 0, type, data, size);
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

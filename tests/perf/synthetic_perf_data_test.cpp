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
        EXPECT_TRUE(sample.ok);
        EXPECT_EQ(query.m_perfTime, 77);
        EXPECT_EQ(query.m_perfFreq, 3579545);
        EXPECT_EQ(query.m_perfTime100nSec, 5000);
        return sample;
    }

    SyntheticPerfData m_synthetic{m_registry, m_system};
    std::vector<std::string> m_names;
};

TEST_F(SyntheticPerfDataTest, ProcessorTotalIsTheMeanOfTheProcessorsAndTheSystemIsAskedOnce) {
    EXPECT_EQ(OpenAndSample("Processor", "_Total").value, 500u);
    EXPECT_EQ(m_names, (std::vector<std::string>{"0", "1", "_Total"}));
    EXPECT_EQ(OpenAndSample("Processor", "1").type, perf::kCounterTypeTimer100NsInv);
    EXPECT_EQ(m_fetchCalls, 1) << "the system's empty block is not read again";
}

TEST_F(SyntheticPerfDataTest, ShortBuffersAskForTheWholeValue) {
    std::uint32_t needed = 0;
    ASSERT_EQ(m_synthetic.QueryValue(win32::kRootPerformanceData, "238", nullptr, nullptr, &needed),
              win32::kErrorSuccess);
    std::vector<std::uint8_t> block(needed);
    for (const std::uint32_t capacity : {16u, needed}) {
        std::uint32_t size = capacity;
        std::uint32_t type = 0;
        EXPECT_EQ(m_synthetic.QueryValue(win32::kRootPerformanceData, "238", &type, block.data(),
                                         &size),
                  capacity < needed ? win32::kErrorMoreData : win32::kErrorSuccess);
        EXPECT_EQ(size, needed);
        EXPECT_EQ(type, win32::kRegBinary);
    }
}

TEST_F(SyntheticPerfDataTest, ProcessesAreNamedByImageAndIdleAndTotalCountEveryProcessor) {
    m_system.m_processes = {{0, u"", 999},
                            {4, u"System", 10},
                            {88, u"C:\\Windows\\explorer.exe", 30},
                            {90, u".hidden", 5},
                            {91, u"", 7}};
    // Idle is the processors' idle time; the unnamed process counts in the total only.
    const std::pair<const char*, std::uint64_t> cases[] = {
        {"_Total", 1000 + 10 + 30 + 5 + 7}, {"Idle", 1000}, {"explorer", 30}, {".hidden", 5}};
    for (const auto& c : cases) {
        const Sampled sample = OpenAndSample("Process", c.first);
        EXPECT_EQ(sample.value, c.second) << c.first;
        EXPECT_EQ(sample.type, perf::kCounterTypeTimer100Ns);
    }
    EXPECT_EQ(m_names, (std::vector<std::string>{"Idle", "System", "explorer", ".hidden", "_Total"}));

    m_system.m_processesFail = true;  // what the kernel cannot tell is not made up
    EXPECT_FALSE(CPerfQuery().Open("Process", "% Processor Time", "_Total", ""));
    m_system.m_processesFail = false;
    m_system.m_processorIdle.clear();
    EXPECT_FALSE(CPerfQuery().Open("Process", "% Processor Time", "_Total", ""));
}

TEST_F(SyntheticPerfDataTest, CounterTableLackingTheNamesIsServedWithThem) {
    const std::vector<std::string> standard = {"6", "% Processor Time", "230", "Process",
                                               "238", "Processor"};
    std::vector<std::string> local = standard;
    local.insert(local.end(), {"1000", "Local Name"});
    const struct {
        bool keyExists;
        std::vector<std::string> stored, served;
    } cases[] = {{false, {}, standard}, {true, {"1", "1847"}, standard}, {true, local, local}};
    for (const auto& c : cases) {
        MemoryRegistry system;
        if (c.keyExists) {
            system.PutMultiString("", win32::kRootLocalMachine, perf::kCounterTableKey,
                                  perf::kCounterTableValue, c.stored);
        }
        SyntheticPerfData layer(system, m_system);
        SetRegistry(&layer);
        std::vector<std::string> table;
        EXPECT_TRUE(LocalMachineRegistryObject().GetStringList(perf::kCounterTableKey,
                                                               perf::kCounterTableValue, table));
        EXPECT_EQ(table, c.served);
        EXPECT_EQ(system.OpenHandleCount(), 0);
        SetRegistry(&m_synthetic);
    }
}

TEST_F(SyntheticPerfDataTest, MissingTableKeyOpensAsAKeyOfItsOwnWhateverItsCase) {
    MemoryRegistry system;  // without the table's key
    SyntheticPerfData layer(system, m_system);
    win32::RegKey key = 0;
    ASSERT_EQ(layer.OpenKey(win32::kRootLocalMachine,
                            "software\\MICROSOFT\\windows nt\\currentversion\\perflib\\009",
                            win32::kKeyRead, &key),
              win32::kErrorSuccess);
    EXPECT_NE(key, 0u);
    const auto calls = [&](std::int32_t query, std::int32_t create, std::int32_t set) {
        win32::RegKey sub = 0;
        EXPECT_EQ(layer.QueryValue(key, "Help", nullptr, nullptr, nullptr), query);
        EXPECT_EQ(layer.CreateKey(key, "Sub", win32::kKeyWrite, &sub), create);
        EXPECT_EQ(layer.SetValue(key, "Counter", win32::kRegSz, nullptr, 0), set);
    };
    calls(win32::kErrorFileNotFound, win32::kErrorAccessDenied, win32::kErrorAccessDenied);
    EXPECT_EQ(layer.CloseKey(key), win32::kErrorSuccess);
    EXPECT_EQ(layer.CloseKey(key), win32::kErrorInvalidHandle) << "closed once only";
    calls(win32::kErrorInvalidHandle, win32::kErrorAccessDenied, win32::kErrorInvalidHandle);
}

// Once an object's source is chosen it stays: a block of the other source's
// shape would put stored positions on other instances.
TEST_F(SyntheticPerfDataTest, AnObjectKeepsItsSourceAndAFailedReadFails) {
    perf::BlockSpec spec = OneObject(238, {u"_Total"});
    spec.objects.push_back(spec.objects[0]);
    spec.objects[1].nameTitleIndex = 230;
    const std::vector<std::uint8_t> own = perf::BuildPerfBlock(spec);
    std::int32_t answer = win32::kErrorSuccess;
    MemoryRegistry system;
    system.SetPerformanceDataHandler([&](auto&, auto&, auto&, std::uint32_t*,
                                         std::uint8_t* data, std::uint32_t* size) {
        if (answer == win32::kErrorSuccess && *size >= own.size()) {
            std::memcpy(data, own.data(), own.size());
        }
        *size = static_cast<std::uint32_t>(own.size());
        return answer;
    });
    SyntheticPerfData layer(system, m_system);
    const std::int32_t kLost = win32::kErrorFileNotFound;
    const struct {
        const char* object;
        std::int32_t systemAnswer, status;
        bool systemsBlock;
    } steps[] = {{"230", 0, 0, true},       {"230", kLost, kLost, false},
                 {"230", 0, 0, true},       {"238", kLost, 0, false},
                 {"238", 0, 0, false}};
    for (const auto& step : steps) {
        answer = step.systemAnswer;
        std::vector<std::uint8_t> block(1u << 20);
        std::uint32_t size = static_cast<std::uint32_t>(block.size());
        EXPECT_EQ(layer.QueryValue(win32::kRootPerformanceData, step.object, nullptr,
                                   block.data(), &size),
                  step.status)
            << step.object;
        block.resize(step.status == win32::kErrorSuccess ? size : 0);
        EXPECT_EQ(block == own, step.systemsBlock) << step.object;
    }
}

}  // namespace

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

    // The instance names and one sample of a query that must open.
    std::uint64_t OpenAndSample(const std::string& object, const std::string& instance,
                                std::vector<std::string>& names, std::uint32_t& type) {
        CPerfQuery query;
        EXPECT_TRUE(query.Open(object, "% Processor Time", instance, "")) << object;
        names = NamesOf(query);
        const Sampled sample = SampleOf(query);
        EXPECT_TRUE(sample.ok);
        EXPECT_EQ(query.m_perfTime, 77);
        EXPECT_EQ(query.m_perfFreq, 3579545);
        EXPECT_EQ(query.m_perfTime100nSec, 5000);
        type = sample.type;
        return sample.value;
    }

    SyntheticPerfData m_synthetic{m_registry, m_system};
};

TEST_F(SyntheticPerfDataTest, ProcessorTotalIsTheMeanOfTheProcessorsAndTheSystemIsAskedOnce) {
    std::vector<std::string> names;
    std::uint32_t type = 0;
    EXPECT_EQ(OpenAndSample("Processor", "_Total", names, type), 500u);
    EXPECT_EQ(names, (std::vector<std::string>{"0", "1", "_Total"}));
    EXPECT_EQ(type, perf::kCounterTypeTimer100NsInv);
    EXPECT_EQ(OpenAndSample("Processor", "1", names, type), 600u);
    EXPECT_EQ(m_fetchCalls, 1) << "the system's empty block is not read again";
}

TEST_F(SyntheticPerfDataTest, ProcessesAreNamedByImageAndIdleAndTotalCountEveryProcessor) {
    m_system.m_processes = {{0, u"", 999},
                            {4, u"System", 10},
                            {88, u"C:\\Windows\\explorer.exe", 30},
                            {90, u".hidden", 5},
                            {91, u"", 7}};
    std::vector<std::string> names;
    std::uint32_t type = 0;
    // Idle is the processors' idle time; the unnamed process counts in the total only.
    const struct {
        const char* instance;
        std::uint64_t value;
    } cases[] = {{"_Total", 1000 + 10 + 30 + 5 + 7}, {"Idle", 1000}, {"explorer", 30},
                 {".hidden", 5}};
    for (const auto& c : cases) {
        EXPECT_EQ(OpenAndSample("Process", c.instance, names, type), c.value) << c.instance;
        EXPECT_EQ(type, perf::kCounterTypeTimer100Ns);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Idle", "System", "explorer", ".hidden", "_Total"}));
}

TEST_F(SyntheticPerfDataTest, ObjectsTheSystemServesPassUnchangedAndWhatTheKernelLacksIsNotMade) {
    Serve("238", perf::BuildPerfBlock(OneObject(ProcessorObject({u"0", u"_Total"}, 100))));
    CPerfQuery query;
    ASSERT_TRUE(query.Open("Processor", "% Processor Time", "_Total", ""));
    EXPECT_EQ(NamesOf(query), (std::vector<std::string>{"0", "_Total"}));
    EXPECT_EQ(SampleOf(query).value, 101u);
    EXPECT_EQ(query.m_perfTime, 7) << "the system's own clock";
    EXPECT_EQ(m_system.m_kernelReads, 0);

    m_system.m_processesFail = true;
    EXPECT_FALSE(CPerfQuery().Open("Process", "% Processor Time", "_Total", ""));
    m_system.m_processesFail = false;
    m_system.m_processorIdle.clear();
    EXPECT_FALSE(CPerfQuery().Open("Process", "% Processor Time", "_Total", ""));
}

TEST_F(SyntheticPerfDataTest, CounterTableLackingTheNamesIsServedWithThem) {
    const std::vector<std::string> standard = {"6", "% Processor Time", "230", "Process",
                                               "238", "Processor"};
    const struct {
        const char* what;
        bool keyExists;
        std::vector<std::string> stored;
        std::vector<std::string> served;
    } cases[] = {
        {"missing key", false, {}, standard},
        {"stub table", true, {"1", "1847"}, standard},
        {"local names", true, {"6", "% Processor Time", "230", "Process", "238", "Processor",
                               "1000", "Local Name"},
         {"6", "% Processor Time", "230", "Process", "238", "Processor", "1000", "Local Name"}},
    };
    for (const auto& c : cases) {
        // A system seen to lack the names is not asked again: each case starts afresh.
        SyntheticPerfData fresh(m_registry, m_system);
        SetRegistry(&fresh);
        m_registry.DeleteKey("", win32::kRootLocalMachine, kCounterTable);
        if (c.keyExists) {
            m_registry.PutMultiString("", win32::kRootLocalMachine, kCounterTable, "Counter",
                                      c.stored);
        }
        std::vector<std::string> table;
        EXPECT_TRUE(LocalMachineRegistryObject().GetStringList(kCounterTable, "Counter", table))
            << c.what;
        EXPECT_EQ(table, c.served) << c.what;
        SetRegistry(&m_synthetic);
    }
    EXPECT_EQ(m_registry.OpenHandleCount(), 0);
}

TEST_F(SyntheticPerfDataTest, MissingTableKeyOpensAsAKeyOfItsOwnWhateverItsCase) {
    m_registry.DeleteKey("", win32::kRootLocalMachine, kCounterTable);
    win32::RegKey key = 0;
    ASSERT_EQ(m_synthetic.OpenKey(win32::kRootLocalMachine,
                                  "software\\MICROSOFT\\windows nt\\currentversion\\perflib\\009",
                                  win32::kKeyRead, &key),
              win32::kErrorSuccess);
    EXPECT_NE(key, 0u);
    const struct {
        std::int32_t (*call)(SyntheticPerfData&, win32::RegKey);
        std::int32_t open;
        std::int32_t closed;
    } calls[] = {
        {[](SyntheticPerfData& r, win32::RegKey k) {
             return r.QueryValue(k, "Help", nullptr, nullptr, nullptr);
         },
         win32::kErrorFileNotFound, win32::kErrorInvalidHandle},
        {[](SyntheticPerfData& r, win32::RegKey k) {
             win32::RegKey sub = 0;
             return r.CreateKey(k, "Sub", win32::kKeyWrite, &sub);
         },
         win32::kErrorAccessDenied, win32::kErrorAccessDenied},
        {[](SyntheticPerfData& r, win32::RegKey k) {
             return r.SetValue(k, "Counter", win32::kRegSz, nullptr, 0);
         },
         win32::kErrorAccessDenied, win32::kErrorInvalidHandle},
    };
    for (const auto& c : calls) {
        EXPECT_EQ(c.call(m_synthetic, key), c.open);
    }
    EXPECT_EQ(m_synthetic.CloseKey(key), win32::kErrorSuccess);
    EXPECT_EQ(m_synthetic.CloseKey(key), win32::kErrorInvalidHandle) << "closed once only";
    for (const auto& c : calls) {
        EXPECT_EQ(c.call(m_synthetic, key), c.closed);
    }
}

// Once an object's source is chosen it stays: a block of the other source's
// shape would put stored positions on other instances.
TEST_F(SyntheticPerfDataTest, AnObjectKeepsItsSourceAndAFailedReadFails) {
    perf::BlockSpec spec;
    spec.objects.resize(2);
    for (perf::ObjectSpec& object : spec.objects) {
        object.counters = {{6, perf::kCounterTypeTimer100NsInv, 8}};
        object.instances = {{u"_Total", {7}}};
    }
    spec.objects[0].nameTitleIndex = 238;
    spec.objects[1].nameTitleIndex = 230;
    const std::vector<std::uint8_t> own = perf::BuildPerfBlock(spec);
    std::int32_t answer = win32::kErrorSuccess;
    MemoryRegistry system;
    system.SetPerformanceDataHandler([&](const auto&, const auto&, const auto&, std::uint32_t*,
                                         std::uint8_t* data, std::uint32_t* size) {
        if (answer == win32::kErrorSuccess && *size >= own.size()) {
            std::memcpy(data, own.data(), own.size());
        }
        *size = static_cast<std::uint32_t>(own.size());
        return answer;
    });
    SyntheticPerfData layer(system, m_system);
    std::vector<std::uint8_t> block;
    const auto read = [&](const char* valueName) {
        block.assign(1u << 20, 0);
        std::uint32_t size = static_cast<std::uint32_t>(block.size());
        const std::int32_t status =
            layer.QueryValue(win32::kRootPerformanceData, valueName, nullptr, block.data(), &size);
        block.resize(status == win32::kErrorSuccess ? size : 0);
        return status;
    };
    const std::int32_t kLost = win32::kErrorFileNotFound;
    struct Step {
        const char* object;
        std::int32_t systemAnswer;
        std::int32_t status;
        bool systemsBlock;
    };
    // The system serves its own processor data; it has no process data at first.
    for (const Step& step : {Step{"238", 0, 0, true}, Step{"238", kLost, kLost, false},
                             Step{"238", 0, 0, true}, Step{"230", kLost, 0, false},
                             Step{"230", 0, 0, false}}) {
        answer = step.systemAnswer;
        EXPECT_EQ(read(step.object), step.status) << step.object;
        EXPECT_EQ(block == own, step.systemsBlock) << step.object;
    }
}

}  // namespace

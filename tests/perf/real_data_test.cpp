// The counter-name tables of six real systems, XP to 11, and a block laid out
// as a real Windows 11 "Process" object, from the data kept beside the
// project (../shared/realdata): the meter finds its names in every table at
// the indices Windows gives them and reads the object's "Idle" instance.
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "tests/perf/perf_fixture.h"

namespace {

const std::string kRealData = GAUGELET_REALDATA_DIR;

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The table as RegQueryValueExA hands the meter the UTF-16 value: a code unit
// outside the Latin code page becomes "?".
std::vector<std::uint8_t> AnsiMultiString(const std::string& utf16) {
    std::vector<std::uint8_t> ansi;
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
        const unsigned unit = static_cast<unsigned char>(utf16[i]) |
                              static_cast<unsigned>(static_cast<unsigned char>(utf16[i + 1])) << 8;
        ansi.push_back(static_cast<std::uint8_t>(unit <= 0xFF ? unit : '?'));
    }
    return ansi;
}

// The Windows 11 object's counters in their order, named by the Windows 11
// table, with their types, sizes (from each type's size bits) and the
// values of its "Idle" instance.
perf::BlockSpec Windows11ProcessObject() {
    std::map<std::string, std::uint32_t> indexOf;
    std::istringstream table(ReadFile(kRealData + "/counter009/win11.counter.tsv"));
    for (std::string line; std::getline(table, line);) {
        const std::size_t tab = line.find('\t');
        indexOf.emplace(line.substr(tab + 1), static_cast<std::uint32_t>(std::stoul(line.substr(0, tab))));
    }
    const std::string json = ReadFile(kRealData + "/netdata-win11-process-object.json");
    const auto number = [&](const char* name) {
        std::smatch found;
        std::regex_search(json, found, std::regex(std::string("\"") + name + "\": (\\d+)"));
        return std::stoll(found[1]);
    };
    perf::ObjectSpec object;
    object.nameTitleIndex = 230;
    object.instances.push_back({u"Idle", {}});
    const std::regex counter(R"re("Counter": "([^"]+)",\s*"Value": \{\s*"data": (\d+),\s*"time": \d+,\s*"type": (\d+))re");
    for (std::sregex_iterator it(json.begin(), json.end(), counter), end; it != end; ++it) {
        const auto type = static_cast<std::uint32_t>(std::stoul((*it)[3]));
        object.counters.push_back({indexOf.at((*it)[1]), type, (type & 0x300u) == 0x100u ? 8u : 4u});
        object.instances[0].values.push_back(std::stoull((*it)[2]));
    }
    EXPECT_EQ(object.counters.size(), 28u);
    return {number("PerfTime"), number("PerfFreq"), number("PerfTime100nSec"), {object}};
}

TEST_F(PerfQueryTest, RealTablesFindTheNamesAndARealObjectIsRead) {
    if (ReadFile(kRealData + "/PROVENANCE.md").empty()) {
        GTEST_SKIP() << "SKIPPED: no real data beside the project (../shared/realdata)";
    }
    Serve("230", perf::BuildPerfBlock(Windows11ProcessObject()));
    Serve("238", Block(238, {u"0", u"_Total"}));
    for (const char* system : {"xp2003-ar", "win7-de", "win10-a", "win10-es", "win10-b", "win11"}) {
        SCOPED_TRACE(system);
        m_registry.Put("", win32::kRootLocalMachine, perf::kCounterTableKey, perf::kCounterTableValue,
                       win32::kRegMultiSz,
                       AnsiMultiString(ReadFile(kRealData + "/counter009/" + system + ".Counter.multisz.utf16le")));
        CPerfQuery processor, idle;
        ASSERT_TRUE(processor.Open("Processor", "% Processor Time", "_Total", ""));
        EXPECT_EQ(SampleOf(processor).value, 1u);
        ASSERT_TRUE(idle.Open("Process", "% Processor Time", "Idle", ""));
        const Sampled sample = SampleOf(idle);
        EXPECT_EQ(sample.value, 106881107812500u);
        EXPECT_EQ(sample.type, 542180608u);
        EXPECT_EQ(idle.m_perfTime100nSec, 133716612800215149);
    }
}

}  // namespace

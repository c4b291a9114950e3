// The performance query over blocks made by the builder, stored under the
// in-memory registry's performance root by machine and title-index text.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "perf/perf_query.h"
#include "testing/fake_system.h"
#include "testing/memory_registry.h"

// One object whose instance i holds i in "% User Time" and "% Processor Time".
inline std::vector<std::uint8_t> Block(std::uint32_t index, const std::vector<std::u16string>& names) {
    perf::ObjectSpec object;
    object.nameTitleIndex = index;
    object.counters = {{142, perf::kCounterTypeTimer100Ns, 8}, {6, perf::kCounterTypeTimer100NsInv, 8}};
    for (std::size_t i = 0; i < names.size(); ++i) {
        object.instances.push_back({names[i], {i, i}});
    }
    return perf::BuildPerfBlock({7, 10000000, 1000, {object}});
}

class PerfQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetRegistry(&m_registry);
        SetSystem(&m_system);
        g_nPerfDataUsers = 0;
        m_registry.PutMultiString("", win32::kRootLocalMachine, perf::kCounterTableKey,
                                  perf::kCounterTableValue,
                                  {"6", "% Processor Time", "142", "% User Time", "230",
                                   "Process", "238", "Processor"});
    }
    // A query takes with it every hold and handle it made.
    void TearDown() override {
        EXPECT_EQ(g_nPerfDataUsers.load(), 0);
        EXPECT_EQ(m_registry.OpenHandleCount(), 0);
    }

    void Serve(const std::string& name, const std::vector<std::uint8_t>& block,
               const std::string& machine = "") {
        m_registry.Put(machine, win32::kRootPerformanceData, "", name, win32::kRegBinary, block);
    }
    std::size_t Reads() const { return m_registry.SpecialReadLog().size(); }

    MemoryRegistry m_registry;
    FakeSystem m_system;
};

struct Sampled {
    bool ok = false;
    std::uint64_t value = 0;  // the first 8 bytes
    std::uint32_t type = 0, size = 0;
};

inline Sampled SampleOf(CPerfQuery& query) {
    Sampled sample;
    std::uint8_t* data = nullptr;
    sample.ok = query.Sample(data, sample.size, sample.type);
    if (sample.ok) {
        std::memcpy(&sample.value, data, sample.size < 8 ? sample.size : 8);
        delete[] data;
    }
    return sample;
}

inline std::vector<std::string> NamesOf(const CPerfQuery& query) {
    std::vector<std::string> names;
    query.GetInstanceNames(names);
    return names;
}

// A registry in memory whose performance root serves blocks made by the
// builder, keyed by machine and title-index text, with the real key's
// short-buffer answer.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "perf/perf_query.h"
#include "testing/fake_system.h"
#include "testing/memory_registry.h"

// Instance i of the object holds i in "% User Time" and idle + i in "% Processor Time".
inline perf::BlockSpec OneObject(std::uint32_t index, const std::vector<std::u16string>& names,
                                 std::uint64_t idle = 0, std::int64_t time100ns = 1000) {
    perf::ObjectSpec object;
    object.nameTitleIndex = index;
    object.counters = {{142, perf::kCounterTypeTimer100Ns, 8},
                       {6, perf::kCounterTypeTimer100NsInv, 8}};
    for (std::size_t i = 0; i < names.size(); ++i) {
        object.instances.push_back({names[i], {i, idle + i}});
    }
    perf::BlockSpec spec;
    spec.perfTime = 7;
    spec.perfFreq = 10000000;
    spec.perfTime100nSec = time100ns;
    spec.objects.push_back(std::move(object));
    return spec;
}

inline std::vector<std::uint8_t> Block(std::uint32_t index,
                                       const std::vector<std::u16string>& names,
                                       std::uint64_t idle = 0) {
    return perf::BuildPerfBlock(OneObject(index, names, idle));
}

class PerfQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetRegistry(&m_registry);
        SetSystem(&m_system);
        g_nPerfDataUsers = 0;
        m_registry.PutMultiString("", win32::kRootLocalMachine, perf::kCounterTableKey,
                                  perf::kCounterTableValue,
                                  {"2", "System", "6", "% Processor Time", "142", "% User Time",
                                   "230", "Process", "238", "Processor"});
        m_registry.SetPerformanceDataHandler(
            [this](const std::string& machine, const std::string&, const std::string& name,
                   std::uint32_t*, std::uint8_t* data, std::uint32_t* size) {
                ++m_fetchCalls;
                const auto found = m_blocks.find({machine, name});
                if (found == m_blocks.end() || size == nullptr) {
                    return win32::kErrorFileNotFound;
                }
                const std::vector<std::uint8_t>& block = found->second;
                if (data == nullptr || *size < block.size()) {
                    *size = m_reportsSize ? static_cast<std::uint32_t>(block.size()) : *size;
                    return win32::kErrorMoreData;
                }
                std::memcpy(data, block.data(), block.size());
                *size = static_cast<std::uint32_t>(block.size());
                return win32::kErrorSuccess;
            });
    }

    void Serve(const std::string& name, const std::vector<std::uint8_t>& block,
               const std::string& machine = "") {
        m_blocks[{machine, name}] = block;
    }

    MemoryRegistry m_registry;
    FakeSystem m_system;
    std::map<std::pair<std::string, std::string>, std::vector<std::uint8_t>> m_blocks;
    bool m_reportsSize = true;
    int m_fetchCalls = 0;
};

struct Sampled {
    bool ok = false;
    std::uint64_t value = 0;  // the first 8 bytes
    std::uint32_t size = 0;
    std::uint32_t type = 0;
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

// Writes a performance data block in the published layout from plain numbers:
// for tests, benchmarks and the data synthesized where the system has none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace perf {

struct CounterSpec {
    std::uint32_t nameTitleIndex = 0;
    std::uint32_t type = 0;
    std::uint32_t size = 8;  // 4 or 8 bytes of each value
};

struct InstanceSpec {
    std::u16string name;
    std::vector<std::uint64_t> values;  // one per counter; missing ones are 0
};

struct ObjectSpec {
    std::uint32_t nameTitleIndex = 0;
    std::vector<CounterSpec> counters;
    // Without instances the object carries one counter block of its own.
    bool hasInstances = true;
    std::vector<InstanceSpec> instances;
    std::vector<std::uint64_t> values;  // the object's own, without instances
};

struct BlockSpec {
    std::int64_t perfTime = 0;
    std::int64_t perfFreq = 0;
    std::int64_t perfTime100nSec = 0;
    std::vector<ObjectSpec> objects;
};

std::vector<std::uint8_t> BuildPerfBlock(const BlockSpec& spec);

}  // namespace perf

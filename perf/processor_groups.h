// The logical processors of every processor group, for the data made from
// the kernel's times. The kernel's plain processor-times call answers for
// the calling thread's group only, so a machine of more than 64 logical
// processors is read group by group.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "perf/perf_block_builder.h"

namespace perf {

// One group's idle times since boot, in 100-ns units, in processor order.
using GroupIdleReader = std::function<bool(std::uint16_t group, std::vector<std::int64_t>& idle)>;

// Every group's processors, numbered across the groups in group order;
// false when a group cannot be read.
bool ReadIdleOfEveryGroup(std::uint16_t groupCount, const GroupIdleReader& readGroup,
                          std::vector<std::int64_t>& idle);

// One instance per processor, named by its number, then "_Total": their
// mean, not their sum, since the meter divides idle time by the elapsed
// time of one clock.
std::vector<InstanceSpec> ProcessorInstances(const std::vector<std::int64_t>& idle);

}  // namespace perf

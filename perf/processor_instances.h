// The instances of the "Processor" object made from the kernel's times.
#pragma once

#include <cstdint>
#include <vector>

#include "perf/perf_block_builder.h"

namespace perf {

// One instance per processor, named by its number, then "_Total": their
// mean, not their sum, since the meter divides idle time by the elapsed
// time of one clock.
std::vector<InstanceSpec> ProcessorInstances(const std::vector<std::int64_t>& idle);
// "_Total"'s idle time: the mean of at least one processor's.
std::int64_t TotalIdle(const std::vector<std::int64_t>& idle);

}  // namespace perf

// The kernel's plain processor-times call answers for the calling thread's
// processor group only, so a machine of more than 64 logical processors is
// read group by group and its processors numbered across the groups.
#pragma once

#include <cstdint>
#include <vector>

// Every group's processors in group order; false when a group cannot be
// read. readGroup(group, idle) gives one group's idle times since boot, in
// 100-ns units, in processor order.
template <typename GroupIdleReader>
bool ReadIdleOfEveryGroup(std::uint16_t groupCount, const GroupIdleReader& readGroup,
                          std::vector<std::int64_t>& idle) {
    idle.clear();
    std::vector<std::int64_t> groupIdle;
    for (std::uint16_t group = 0; group < groupCount; ++group) {
        if (!readGroup(group, groupIdle)) {
            idle.clear();
            return false;
        }
        idle.insert(idle.end(), groupIdle.begin(), groupIdle.end());
    }
    return !idle.empty();
}

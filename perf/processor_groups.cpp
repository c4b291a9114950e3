#include "perf/processor_groups.h"

#include <string>

namespace perf {

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

std::vector<InstanceSpec> ProcessorInstances(const std::vector<std::int64_t>& idle) {
    std::vector<InstanceSpec> instances;
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < idle.size(); ++i) {
        const std::string number = std::to_string(i);
        instances.push_back({std::u16string(number.begin(), number.end()),
                             {static_cast<std::uint64_t>(idle[i])}});
        sum += idle[i];
    }
    if (!idle.empty()) {
        instances.push_back(
            {u"_Total", {static_cast<std::uint64_t>(sum / static_cast<std::int64_t>(idle.size()))}});
    }
    return instances;
}

}  // namespace perf

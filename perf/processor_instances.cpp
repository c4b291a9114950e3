#include "perf/processor_instances.h"

#include <string>

namespace perf {

std::vector<InstanceSpec> ProcessorInstances(const std::vector<std::int64_t>& idle) {
    std::vector<InstanceSpec> instances;
    for (std::size_t i = 0; i < idle.size(); ++i) {
        const std::string number = std::to_string(i);
        instances.push_back({std::u16string(number.begin(), number.end()),
                             {static_cast<std::uint64_t>(idle[i])}});
    }
    if (!idle.empty()) {
        instances.push_back({u"_Total", {static_cast<std::uint64_t>(TotalIdle(idle))}});
    }
    return instances;
}

std::int64_t TotalIdle(const std::vector<std::int64_t>& idle) {
    std::int64_t sum = 0;
    for (const std::int64_t time : idle) {
        sum += time;
    }
    return sum / static_cast<std::int64_t>(idle.size());
}

}  // namespace perf

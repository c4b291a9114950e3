#include "perf/processor_instances.h"

#include <string>

namespace perf {

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

#include "perf/processor_instances.h"
#include "platform/processor_groups.h"
#include "tests/perf/perf_fixture.h"

namespace {

// Two groups of 40, as the kernel's group-aware call answers them: group g's
// processor p has been idle 1000 x g + p units.
TEST_F(PerfQueryTest, EveryGroupsProcessorsAreServedAndTotalIsTheMeanOfAll) {
    std::vector<std::uint16_t> asked;
    const auto kernel = [&](std::uint16_t group, std::vector<std::int64_t>& idle) {
        asked.push_back(group);
        idle.clear();
        for (std::int64_t p = 0; p < 40; ++p) {
            idle.push_back(1000 * group + p);
        }
        return group < 2;
    };
    std::vector<std::int64_t> idle;
    EXPECT_FALSE(ReadIdleOfEveryGroup(3, kernel, idle));  // a group that fails fails all
    ASSERT_TRUE(ReadIdleOfEveryGroup(2, kernel, idle));
    EXPECT_EQ(asked, (std::vector<std::uint16_t>{0, 1, 2, 0, 1}));
    perf::ObjectSpec object = ProcessorObject({});
    object.counters.erase(object.counters.begin());  // "% Processor Time" only
    object.instances = perf::ProcessorInstances(idle);
    Serve("238", perf::BuildPerfBlock(OneObject(object)));

    CPerfQuery query;
    ASSERT_TRUE(query.Open("Processor", "% Processor Time", "_Total", ""));
    const std::vector<std::string> names = NamesOf(query);
    ASSERT_EQ(names.size(), 81u);
    EXPECT_EQ(names[79], "79");
    EXPECT_EQ(names[80], "_Total");
    EXPECT_EQ(SampleOf(query).value, 519u);  // (40 x 19.5 + 40 x 1019.5) / 80
}

}  // namespace

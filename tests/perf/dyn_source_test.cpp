#include "tests/perf/perf_fixture.h"

namespace {

const char kAnnouncement[] = "System\\CurrentControlSet\\Control\\PerfStats\\Enum\\KERNEL\\CPUUsage";

class DynSourceTest : public PerfQueryTest {
protected:
    void SetUp() override {
        PerfQueryTest::SetUp();
        m_system.m_platformId = win32::kVerPlatformWin32Windows;
        m_registry.SetDynDataHandler([this](const std::string&, const std::string& subKey,
                                            const std::string&, std::uint32_t* type,
                                            std::uint8_t* data, std::uint32_t* size) {
            if (type != nullptr) {
                *type = win32::kRegBinary;
            }
            const bool stat = subKey.find("statdata") != std::string::npos;
            const std::uint32_t stored = stat ? m_statBytes : 4;
            if (data != nullptr && size != nullptr) {
                if (*size < stored) {
                    return win32::kErrorMoreData;
                }
                std::memset(data, 0, stored);
                std::memcpy(data, &m_load, stored < 4 ? stored : 4);
            }
            if (size != nullptr) {
                *size = stored;
            }
            return win32::kErrorSuccess;
        });
    }

    std::uint32_t m_statBytes = 4;
    std::uint32_t m_load = 63;
};

TEST_F(DynSourceTest, AnnouncedStatisticStartsSamplesAndStops) {
    m_registry.PutDword("", win32::kRootLocalMachine, kAnnouncement, "Name", 1);
    {
        CPerfQuery query;
        ASSERT_TRUE(query.Open("KERNEL", "CPUUsage", "", ""));
        EXPECT_EQ(query.m_nCounterIndex, 0);
        EXPECT_EQ(query.m_nInstanceIndex, 0);
        const int readsOfOneStart = SpecialReads("perfstats\\startstat\\KERNEL\\CPUUsage");
        EXPECT_GT(readsOfOneStart, 0);
        EXPECT_TRUE(query.Refresh());
        EXPECT_EQ(SpecialReads("perfstats\\startstat\\KERNEL\\CPUUsage"), 2 * readsOfOneStart);

        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        ASSERT_TRUE(query.Sample(data, size, type));
        EXPECT_EQ(size, 4u);
        EXPECT_EQ(type, 4u);
        EXPECT_EQ(TakeValue(data, size), 63u);

        for (std::uint32_t wrong : {2u, 8u}) {
            m_statBytes = wrong;
            data = reinterpret_cast<std::uint8_t*>(&m_load);
            EXPECT_FALSE(query.Sample(data, size, type));
            EXPECT_EQ(data, nullptr);
        }
        EXPECT_EQ(SpecialReads("stopstat"), 0);
    }
    EXPECT_EQ(SpecialReads("perfstats\\stopstat\\KERNEL\\CPUUsage"),
              SpecialReads("perfstats\\startstat\\KERNEL\\CPUUsage") / 2);
    EXPECT_EQ(m_registry.OpenHandleCount(), 0);
    EXPECT_EQ(g_nPerfDataUsers.load(), 0);
}

TEST_F(DynSourceTest, UnannouncedStatisticNeitherStartsNorStops) {
    {
        CPerfQuery query;
        EXPECT_FALSE(query.Open("KERNEL", "CPUUsage", "", ""));
        EXPECT_EQ(query.m_nCounterIndex, -1);
        EXPECT_EQ(query.m_nInstanceIndex, -1);
    }
    EXPECT_TRUE(m_registry.SpecialReadLog().empty());
}

}  // namespace

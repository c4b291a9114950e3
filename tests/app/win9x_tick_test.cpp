#include <cctype>

#include "tests/app/meter_fixture.h"

namespace {

const char kAnnouncement[] =
    "System\\CurrentControlSet\\Control\\PerfStats\\Enum\\KERNEL\\CPUUsage";

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// A 9x machine whose KERNEL\CPUUsage statistic the test sets.
class Win9xTick : public MeterTest {
public:
    void SetUp() override {
        MeterTest::SetUp();
        m_system.m_platformId = win32::kVerPlatformWin32Windows;
        m_system.m_majorVersion = 4;
        m_system.m_minorVersion = 10;
        m_registry.PutDword("", win32::kRootLocalMachine, kAnnouncement, "Name", 1);
        m_registry.SetDynDataHandler([this](const std::string&, const std::string&,
                                            const std::string&, std::uint32_t* type,
                                            std::uint8_t* data, std::uint32_t* size) {
            if (size == nullptr) {
                return win32::kErrorInvalidParameter;
            }
            if (type != nullptr) {
                *type = win32::kRegBinary;
            }
            if (data != nullptr && *size < 4) {
                *size = 4;
                return win32::kErrorMoreData;
            }
            if (data != nullptr) {
                std::memcpy(data, &m_load, 4);
            }
            *size = 4;
            return win32::kErrorSuccess;
        });
    }

    std::uint32_t m_load = 0;
};

TEST_F(Win9xTick, StatisticInPercentPicksTheFrame) {
    m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "Desktop", 1);
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        EXPECT_FALSE(dlg.m_bWinNT);
        EXPECT_EQ(dlg.m_instanceName, "0");
        EXPECT_TRUE(window.m_boxes.empty());
        const std::pair<std::uint32_t, int> steps[] = {{0, 0}, {100, 11}, {50, 5}, {101, 5}};
        for (const auto& step : steps) {
            m_load = step.first;
            window.Tick();
            EXPECT_EQ(dlg.m_nFrame, step.second) << step.first;
            EXPECT_EQ(TrayFrame(dlg), step.second) << step.first;
            EXPECT_EQ(FrameOf(dlg, StaticIcon()), step.second) << step.first;
        }
    });
    const auto& reads = m_registry.SpecialReadLog();
    ASSERT_FALSE(reads.empty());
    EXPECT_NE(Lower(reads.front()).find("perfstats\\startstat"), std::string::npos) << reads.front();
    EXPECT_NE(Lower(reads.back()).find("perfstats\\stopstat"), std::string::npos) << reads.back();
}

}  // namespace

#include <cstdio>
#include <filesystem>

#include "tests/app/meter_fixture.h"
#include "tests/taskicon/bmp_writer.h"

namespace {

// Start-up from stored settings and a command line that no user should
// have given: the meter starts, shows its icon and never crashes.
class HostileStart : public MeterTest {
public:
    void SetUp() override {
        MeterTest::SetUp();
        m_dir = std::filesystem::temp_directory_path() /
                ("gaugelet-hostile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Write(const std::string& name, std::vector<std::uint8_t> bytes) {
        const std::string path = (m_dir / name).string();
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }

    // Frames of the skin the meter starts with, and whether the icon shows.
    int StartWithSkin(const std::string& path, bool& iconShown) {
        m_registry.PutString("", win32::kRootCurrentUser, kSettings, "Skin", path);
        int frames = 0;
        Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
            frames = dlg.m_taskIcon.GetFrameCount();
            EXPECT_TRUE(window.m_boxes.empty()) << path;
            TickAt(window, 50);
            TickAt(window, 50);
            iconShown = TrayFrame(dlg) >= 0;
        });
        return frames;
    }

    std::filesystem::path m_dir;
};

TEST_F(HostileStart, UnusableSkinFilesFallBackToTheBuiltInStrip) {
    const std::vector<std::uint8_t> good = EncodeBmp(KeyedPattern(32, 16), 24, false);
    std::vector<std::uint8_t> truncated(good.begin(), good.begin() + 80);
    std::vector<std::uint8_t> huge = good;
    const std::int32_t width = 1 << 30;
    std::memcpy(&huge[18], &width, 4);  // biWidth
    std::vector<std::uint8_t> farOffset = good;
    const std::uint32_t offset = 0x7FFFFFF0u;
    std::memcpy(&farOffset[10], &offset, 4);  // bfOffBits

    bool shown = false;
    EXPECT_EQ(StartWithSkin(Write("good.bmp", good), shown), 2);
    EXPECT_TRUE(shown);
    const std::string bad[] = {(m_dir / "missing.bmp").string(), m_dir.string(),
                               Write("empty.bmp", {}), Write("truncated.bmp", truncated),
                               Write("huge.bmp", huge), Write("offset.bmp", farOffset)};
    for (const std::string& path : bad) {
        shown = false;
        EXPECT_EQ(StartWithSkin(path, shown), 12) << path;
        EXPECT_TRUE(shown) << path;
    }
    EXPECT_EQ(m_pixels.BadReleases(), 0);
}

TEST_F(HostileStart, StoredRectangleKeepsItsSizeAndLandsOnTheScreen) {
    struct Case {
        std::int32_t left, top, right, bottom, x, y;
    };
    for (const Case& c : {Case{-32000, -32000, -31980, -31980, 0, 0},
                          Case{100, 100, 60, 120, 100, 100},
                          Case{2000000000, 5, 2000000020, 25, 1004, 5}}) {
        m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosLEFT", static_cast<std::uint32_t>(c.left));
        m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosTOP", static_cast<std::uint32_t>(c.top));
        m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosRIGHT", static_cast<std::uint32_t>(c.right));
        m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosBOTTOM", static_cast<std::uint32_t>(c.bottom));
        m_window.m_placements.clear();
        Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
            ASSERT_EQ(window.m_placements.size(), 1u);
            const auto& placed = window.m_placements[0];
            EXPECT_EQ(placed.x, c.x);
            EXPECT_EQ(placed.y, c.y);
            EXPECT_EQ(placed.width, c.right - c.left);
            EXPECT_EQ(placed.height, c.bottom - c.top);
            EXPECT_TRUE(dlg.m_bShowOnTaskbar);
        });
    }
}

TEST_F(HostileStart, OddMachineNamesAreReportedWhole) {
    CommandLineApp app("");
    const std::string names[] = {std::string(300, 'm'), std::string("\x01\xff\"%s%n\\\\")};
    for (const std::string& name : names) {
        app.m_strCmdLine = name;
        m_window.m_boxes.clear();
        Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
            ASSERT_EQ(window.m_boxes.size(), 1u);
            EXPECT_EQ(window.m_boxes[0].text, "Failed to connect to \n" + name);
            EXPECT_TRUE(dlg.m_machineName.empty());
            EXPECT_TRUE(dlg.m_perfQuery.m_bOpen);
            EXPECT_EQ(dlg.m_taskIcon.GetTip(), "gaugelet");
        });
    }
    EXPECT_EQ(m_registry.OpenHandleCount(), 0);
}

}  // namespace

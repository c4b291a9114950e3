#include <filesystem>

#include "tests/app/meter_fixture.h"
#include "tests/taskicon/bmp_writer.h"

namespace {

using Init = MeterTest;

TEST_F(Init, InstanceFollowsTheMajorVersion) {
    for (std::uint32_t major : {4u, 5u, 10u}) {
        m_system.m_majorVersion = major;
        std::string instance;
        Run([&](CGaugeletDlg& dlg, RecordingWindow&) { instance = dlg.m_instanceName; });
        EXPECT_EQ(instance, major >= 5 ? "_Total" : "0") << major;
    }
}

TEST_F(Init, FreshProfileStartsInTheNotificationAreaOnly) {
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        EXPECT_EQ(window.m_title, "Gaugelet");
        EXPECT_EQ(window.m_exStyle, 0x00080080u);  // tool window, layered, no app window
        EXPECT_EQ(window.m_layeredCalls, (std::vector<std::uint32_t>{0xF5F5F5, 128, 1}));
        EXPECT_EQ(dlg.m_taskIcon.GetFrameCount(), 12);
        ASSERT_EQ(window.m_placements.size(), 1u);
        EXPECT_EQ(window.m_placements[0].flags, win32::kSwpNoMove);
        EXPECT_EQ(window.m_placements[0].width, 20);
        EXPECT_EQ(window.m_timers.at(1), 1000u);
        EXPECT_TRUE(window.m_boxes.empty());
        window.Tick();
        EXPECT_FALSE(window.m_visible);
    });
    ASSERT_EQ(m_shell.m_calls.size(), 2u);  // added at start, deleted at the end
    EXPECT_EQ(m_shell.m_calls[0].data.uID, 0xFFFFFFFFu);
    EXPECT_TRUE(m_shell.m_shown.empty());
}

TEST_F(Init, AWindowStoredOffEveryScreenComesBackAndAPartlyShownOneStays) {
    const RecordingWindow::Monitor primary{{0, 0, 1024, 768}, {0, 0, 1024, 740}};
    const RecordingWindow::Monitor right{{1024, 0, 2048, 768}, {1024, 0, 2048, 768}};
    struct Case {
        WindowRect stored;
        std::vector<RecordingWindow::Monitor> monitors;
        std::int32_t x, y;
    };
    for (const Case& c : {Case{{1500, 100, 1520, 120}, {primary, right}, 1500, 100},
                          Case{{1500, 100, 1520, 120}, {primary}, 1004, 100},
                          Case{{100, 5000, 120, 5025}, {primary}, 100, 715},
                          Case{{-10, -15, 10, 5}, {primary}, -10, -15},
                          Case{{-300, 10, -280, 30}, {right, primary}, 0, 10}}) {
        m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "Desktop", 1);
        m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosLEFT", static_cast<std::uint32_t>(c.stored.left));
        m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosTOP", static_cast<std::uint32_t>(c.stored.top));
        m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosRIGHT", static_cast<std::uint32_t>(c.stored.right));
        m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosBOTTOM", static_cast<std::uint32_t>(c.stored.bottom));
        m_window.m_monitors = c.monitors;
        m_window.m_placements.clear();
        const std::size_t writes = m_registry.WriteLog().size();
        Run([&](CGaugeletDlg&, RecordingWindow& window) {
            ASSERT_EQ(window.m_placements.size(), 1u);
            EXPECT_EQ(window.m_placements[0].x, c.x) << c.stored.left;
            EXPECT_EQ(window.m_placements[0].y, c.y) << c.stored.top;
            EXPECT_EQ(window.m_placements[0].width, c.stored.right - c.stored.left);
            EXPECT_EQ(window.m_placements[0].height, c.stored.bottom - c.stored.top);
            EXPECT_EQ(m_registry.WriteLog().size(), writes);
        });
    }
}

// Stored settings, however odd, place the window at its stored size where
// a monitor shows it; with both displays off the icon comes back on.
TEST_F(Init, StoredSettingsPlaceTheWindowAtItsSizeOnTheScreen) {
    const struct {
        std::uint32_t taskBar, desktop, topMost;
        std::int32_t left, top, right, bottom, x, y;
    } cases[] = {
        {0, 0, 1, 100, 50, 120, 75, 100, 50},
        {1, 1, 0, -32000, -32000, -31980, -31980, 0, 0},
        {1, 0, 0, 100, 100, 60, 120, 100, 100},
        {0, 1, 1, 2000000000, 5, 2000000020, 25, 1004, 5},
    };
    for (const auto& c : cases) {
        const std::pair<const char*, std::uint32_t> stored[] = {
            {"TaskBar", c.taskBar}, {"Desktop", c.desktop}, {"TopMost", c.topMost},
            {"PosLEFT", static_cast<std::uint32_t>(c.left)}, {"PosTOP", static_cast<std::uint32_t>(c.top)},
            {"PosRIGHT", static_cast<std::uint32_t>(c.right)}, {"PosBOTTOM", static_cast<std::uint32_t>(c.bottom)}};
        for (const auto& value : stored) {
            m_registry.PutDword("", win32::kRootCurrentUser, kSettings, value.first, value.second);
        }
        m_window.m_placements.clear();
        Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
            EXPECT_EQ(dlg.m_bShowOnTaskbar, c.taskBar != 0 || c.desktop == 0);
            EXPECT_EQ(dlg.m_bShowOnDesktop, c.desktop != 0);
            ASSERT_EQ(window.m_placements.size(), 1u);
            const auto& placed = window.m_placements[0];
            EXPECT_EQ(placed.insertAfter, c.topMost ? InsertAfter::kTopMost : InsertAfter::kTop);
            EXPECT_EQ(placed.x, c.x);
            EXPECT_EQ(placed.y, c.y);
            EXPECT_EQ(placed.width, c.right - c.left);
            EXPECT_EQ(placed.height, c.bottom - c.top);
            EXPECT_EQ(placed.flags, 0u);
        });
    }
}

// A machine that does not answer is reported whole, then the local one is watched.
TEST_F(Init, UnreachableMachineIsReportedThenTheLocalOneWatched) {
    CommandLineApp app("");
    for (const std::string& name :
         {std::string("far away "), std::string(300, 'm'), std::string("\x01\xff\"%s%n\\\\")}) {
        app.m_strCmdLine = name;
        m_window.m_boxes.clear();
        Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
            ASSERT_EQ(window.m_boxes.size(), 1u);
            EXPECT_EQ(window.m_boxes[0].text, "Failed to connect to \n" + name);
            EXPECT_EQ(window.m_boxes[0].caption, "Error");
            EXPECT_EQ(window.m_boxes[0].style, 0x40u);
            EXPECT_TRUE(dlg.m_machineName.empty());
            EXPECT_TRUE(dlg.m_perfQuery.m_bOpen);
            EXPECT_EQ(dlg.m_taskIcon.GetTip(), "gaugelet");
        });
    }
    EXPECT_EQ(m_registry.OpenHandleCount(), 0);
}

TEST_F(Init, RemoteVersionDecidesAndNameExtendsTheTip) {
    CommandLineApp app("\\\\box");
    ReachableMachine("\\\\box", "4.0");
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        EXPECT_EQ(dlg.m_instanceName, "0");
        EXPECT_EQ(dlg.m_taskIcon.GetTip(), "gaugelet (\\\\box)");
        EXPECT_TRUE(window.m_boxes.empty());
    });
    EXPECT_EQ(m_registry.OpenHandleCount(), 0);
}

TEST_F(Init, CommandLineTailIsTakenWhole) {
    EXPECT_EQ(CommandTail("gaugelet.exe"), "");
    EXPECT_EQ(CommandTail("\"C:\\Program Files\\g.exe\"   \\\\box one "), "\\\\box one ");
    EXPECT_EQ(CommandTail("g.exe\tbox"), "box");
}

TEST_F(Init, UnusableStoredSkinFallsBackToTheBuiltInStrip) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
        ("gaugelet-init-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    const std::vector<std::uint8_t> good = EncodeBmp(KeyedPattern(32, 16), 24, false);
    const std::string goodPath = (dir / "good.bmp").string();
    const std::string truncatedPath = (dir / "truncated.bmp").string();
    ASSERT_TRUE(WriteFile(goodPath, good));
    ASSERT_TRUE(WriteFile(truncatedPath, std::vector<std::uint8_t>(good.begin(), good.begin() + 80)));
    const std::pair<std::string, int> skins[] = {
        {goodPath, 2}, {(dir / "missing.bmp").string(), 12}, {truncatedPath, 12}};
    for (const auto& skin : skins) {
        m_registry.PutString("", win32::kRootCurrentUser, kSettings, "Skin", skin.first);
        Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
            EXPECT_EQ(dlg.m_taskIcon.GetFrameCount(), skin.second) << skin.first;
            EXPECT_TRUE(window.m_boxes.empty());
            TickAt(window, 50);
            TickAt(window, 50);
            EXPECT_GE(TrayFrame(dlg), 0) << skin.first;
        });
    }
    std::filesystem::remove_all(dir);
    EXPECT_EQ(m_pixels.BadReleases(), 0);
}

}  // namespace

#include "tests/app/meter_fixture.h"

namespace {

using Init = MeterTest;

std::string Instance(CGaugeletDlg& dlg) { return dlg.m_instanceName; }

TEST_F(Init, InstanceFollowsTheMajorVersion) {
    for (std::uint32_t major : {4u, 5u, 6u, 10u}) {
        m_system.m_majorVersion = major;
        std::string instance;
        Run([&](CGaugeletDlg& dlg, RecordingWindow&) { instance = Instance(dlg); });
        EXPECT_EQ(instance, major >= 5 ? "_Total" : "0") << major;
    }
}

TEST_F(Init, FreshProfileStartsInTheNotificationAreaOnly) {
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        EXPECT_EQ(window.m_title, "Gaugelet");
        EXPECT_EQ(window.m_exStyle, 0x00080080u);  // tool window, layered, no app window
        EXPECT_EQ(window.m_layeredCalls, (std::vector<std::uint32_t>{0xF5F5F5, 128, 1}));
        EXPECT_TRUE(dlg.m_bShowOnTaskbar);
        EXPECT_FALSE(dlg.m_bShowOnDesktop);
        EXPECT_EQ(dlg.m_taskIcon.GetFrameCount(), 12);
        ASSERT_EQ(window.m_placements.size(), 1u);
        EXPECT_EQ(window.m_placements[0].insertAfter, InsertAfter::kTop);
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

TEST_F(Init, BothDisplaysOffTurnsTheIconOnAndTopMostPlacesInOneCall) {
    m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "TaskBar", 0);
    m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "Desktop", 0);
    m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "TopMost", 1);
    m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosLEFT", 100);
    m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosTOP", 50);
    m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosRIGHT", 120);
    m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "PosBOTTOM", 75);
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        EXPECT_TRUE(dlg.m_bShowOnTaskbar);
        ASSERT_EQ(window.m_placements.size(), 1u);
        const auto& placed = window.m_placements[0];
        EXPECT_EQ(placed.insertAfter, InsertAfter::kTopMost);
        EXPECT_EQ(placed.x, 100);
        EXPECT_EQ(placed.y, 50);
        EXPECT_EQ(placed.width, 20);
        EXPECT_EQ(placed.height, 25);
        EXPECT_EQ(placed.flags, 0u);
    });
}

TEST_F(Init, UnreachableMachineIsReportedThenTheLocalOneWatched) {
    CommandLineApp app("far away ");
    m_registry.SetMachineAnswers("far away ", false);
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        ASSERT_EQ(window.m_boxes.size(), 1u);
        EXPECT_EQ(window.m_boxes[0].text, "Failed to connect to \nfar away ");
        EXPECT_EQ(window.m_boxes[0].caption, "Error");
        EXPECT_EQ(window.m_boxes[0].style, 0x40u);
        EXPECT_TRUE(dlg.m_machineName.empty());
        EXPECT_EQ(dlg.m_taskIcon.GetTip(), "gaugelet");
    });
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

}  // namespace

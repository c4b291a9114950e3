#include "tests/app/meter_fixture.h"

namespace {

using Switch = MeterTest;

const RecordingShell::ShownIcon* TrayIcon(MeterTest& test) {
    return test.m_shell.Find(RecordingWindow::kDialog, 0xFFFFFFFFu);
}

// Each switch flips its display unless that display is the last one on.
TEST_F(Switch, TheLastDisplayStaysOnAndTopMostComesAndGoes) {
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        window.Tick();
        const struct {
            std::uint32_t command;
            bool taskbar, desktop;
        } steps[] = {{106, true, false}, {107, true, true},  {106, false, true},
                     {107, false, true}, {106, true, true}, {107, true, false}};
        for (const auto& step : steps) {
            window.Command(step.command);
            EXPECT_EQ(dlg.m_bShowOnTaskbar, step.taskbar) << step.command;
            EXPECT_EQ(TrayIcon(*this) != nullptr, step.taskbar) << step.command;
            EXPECT_EQ(dlg.m_bShowOnDesktop, step.desktop) << step.command;
            EXPECT_EQ(window.m_visible, step.desktop) << step.command;
        }
        EXPECT_EQ(TrayIcon(*this)->icon, 0u);  // no image until a frame is shown
        EXPECT_EQ(TrayIcon(*this)->tip, "gaugelet");
        EXPECT_TRUE(window.m_boxes.empty());

        const std::size_t placements = window.m_placements.size();
        window.Command(105);
        window.Command(105);
        ASSERT_EQ(window.m_placements.size(), placements + 2);
        EXPECT_EQ(window.m_placements[placements].insertAfter, InsertAfter::kTopMost);
        EXPECT_EQ(window.m_placements[placements + 1].insertAfter, InsertAfter::kNoTopMost);
        for (std::size_t i = placements; i < placements + 2; ++i) {
            EXPECT_EQ(window.m_placements[i].flags, win32::kSwpNoSize | win32::kSwpNoMove);
        }
        EXPECT_EQ(window.m_rect.right - window.m_rect.left, 20);
    });
}

TEST_F(Switch, ADisplayTurnedOnShowsTheCurrentFrameAtTheNextTick) {
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        TickAt(window, 50);
        TickAt(window, 50);
        ASSERT_EQ(TrayFrame(dlg), 5);
        EXPECT_EQ(StaticIcon(), 0u);

        window.Command(107);
        EXPECT_EQ(StaticIcon(), 0u);
        TickAt(window, 50);
        EXPECT_EQ(FrameOf(dlg, StaticIcon()), 5);

        window.Command(106);
        TickAt(window, 50);
        window.Command(106);
        EXPECT_EQ(TrayFrame(dlg), -1);
        TickAt(window, 50);
        EXPECT_EQ(TrayFrame(dlg), 5);
        EXPECT_EQ(FrameOf(dlg, StaticIcon()), 5);

        // A display turned on while suspended waits for the first tick after Resume.
        window.Command(107);
        window.Command(103);
        window.Command(107);
        TickAt(window, 50);
        window.Command(103);
        TickAt(window, 50);
        EXPECT_EQ(FrameOf(dlg, StaticIcon()), 5);
        EXPECT_EQ(TrayFrame(dlg), 5);
    });
    EXPECT_EQ(m_pixels.LiveIcons(), 0u);
    EXPECT_EQ(m_pixels.BadReleases(), 0);
}

TEST_F(Switch, DragMovesPastTwoPixelsFromTheAnchorAndReleasesTheCapture) {
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        window.m_rect = {40, 60, 60, 80};
        const std::size_t placements = window.m_placements.size();
        window.m_cursor = {100, 100};
        window.Send(win32::kWmMouseMove);  // no drag yet
        window.Send(win32::kWmLButtonDown);
        window.Send(win32::kWmLButtonUp);
        EXPECT_EQ(window.m_placements.size(), placements);
        EXPECT_FALSE(window.m_captured);

        window.Send(win32::kWmLButtonDown);
        EXPECT_TRUE(window.m_captured);
        window.m_cursor = {110, 110};
        window.Send(win32::kWmLButtonDown);  // a second press keeps the anchor
        window.m_cursor = {102, 98};
        window.Send(win32::kWmMouseMove);
        EXPECT_EQ(window.m_placements.size(), placements);
        window.m_cursor = {103, 98};
        window.Send(win32::kWmMouseMove);
        ASSERT_EQ(window.m_placements.size(), placements + 1);
        const auto& moved = window.m_placements.back();
        EXPECT_EQ(moved.x, 43);
        EXPECT_EQ(moved.y, 58);
        EXPECT_EQ(moved.flags, win32::kSwpNoSize | win32::kSwpNoZOrder);
        EXPECT_EQ(window.m_rect.right, 63);

        // Small steps from the new anchor add up until they pass the threshold.
        for (int x : {102, 101, 100}) {
            window.m_cursor = {x, 98};
            window.Send(win32::kWmMouseMove);
        }
        ASSERT_EQ(window.m_placements.size(), placements + 2);
        EXPECT_EQ(window.m_placements.back().x, 40);
        EXPECT_EQ(window.m_placements.back().y, 58);

        window.m_cursor = {-500, -400};  // far off, still captured
        window.Send(win32::kWmMouseMove);
        EXPECT_EQ(window.m_rect.left, -560);
        EXPECT_EQ(window.m_rect.top, -440);
        window.Send(win32::kWmLButtonUp);
        EXPECT_FALSE(window.m_captured);
        EXPECT_FALSE(dlg.m_bDragging);
        window.m_cursor = {0, 0};
        window.Send(win32::kWmMouseMove);
        EXPECT_EQ(window.m_placements.size(), placements + 3);
    });
}

TEST_F(Switch, ExitAndSessionEndStoreTheSameSettingsAndCancelDoesNothing) {
    const std::vector<std::string> stored = {
        "HKCU\\software\\brindleworks\\gaugelet\\posLEFT",
        "HKCU\\software\\brindleworks\\gaugelet\\posRIGHT",
        "HKCU\\software\\brindleworks\\gaugelet\\posTOP",
        "HKCU\\software\\brindleworks\\gaugelet\\posBOTTOM",
        "HKCU\\software\\brindleworks\\gaugelet\\Desktop",
        "HKCU\\software\\brindleworks\\gaugelet\\TaskBar",
        "HKCU\\software\\brindleworks\\gaugelet\\TopMost",
    };
    Run([&](CGaugeletDlg&, RecordingWindow& window) {
        window.Command(win32::kIdCancel);
        window.Send(win32::kWmEndSession, 0);
        EXPECT_FALSE(window.m_ended);
        EXPECT_TRUE(m_registry.WriteLog().empty());

        window.Send(win32::kWmEndSession, 1);
        EXPECT_FALSE(window.m_ended);
        EXPECT_EQ(m_registry.WriteLog(), stored);

        window.Command(107);
        window.Command(106);
        window.Command(105);
        window.m_rect = {-30, 5, -10, 25};  // on a monitor left of the primary one
        window.Command(107);                // refused: the last display
        window.Command(101);
        EXPECT_TRUE(window.m_ended);
        EXPECT_EQ(window.m_endResult, 1);
    });
    ASSERT_EQ(m_registry.WriteLog().size(), 2 * stored.size());
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(),
                           m_registry.WriteLog().begin() + static_cast<long>(stored.size())));

    m_window.m_placements.clear();
    m_window.m_monitors.push_back({{-1024, 0, 0, 768}, {-1024, 0, 0, 768}});
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        EXPECT_TRUE(dlg.m_bShowOnDesktop);
        EXPECT_FALSE(dlg.m_bShowOnTaskbar);
        EXPECT_TRUE(dlg.m_bTopMost);
        const auto& placed = window.m_placements.at(0);
        EXPECT_EQ(placed.insertAfter, InsertAfter::kTopMost);
        EXPECT_EQ(placed.x, -30);
        EXPECT_EQ(placed.y, 5);
        EXPECT_EQ(placed.width, 20);
        EXPECT_EQ(placed.height, 20);
        EXPECT_EQ(TrayIcon(*this), nullptr);
    });
}

TEST_F(Switch, TheNotificationIconComesBackWithTheShell) {
    m_shell.m_running = false;  // the meter starts before the taskbar
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        TickAt(window, 50);
        TickAt(window, 50);
        ASSERT_EQ(TrayIcon(*this), nullptr);
        m_shell.m_running = true;
        window.Send(g_uTaskbarCreatedMsg);
        ASSERT_NE(TrayIcon(*this), nullptr);
        EXPECT_EQ(TrayFrame(dlg), 5);
        EXPECT_EQ(TrayIcon(*this)->callbackMessage, g_uTaskIconNotifyMsg);

        window.Command(103);  // suspended: frame 0 and its own tip
        m_shell.m_shown.clear();  // the shell restarts
        window.Send(g_uTaskbarCreatedMsg);
        ASSERT_NE(TrayIcon(*this), nullptr);
        EXPECT_EQ(TrayFrame(dlg), 0);
        EXPECT_EQ(TrayIcon(*this)->tip, "gaugelet (suspended)");

        window.Command(107);
        window.Command(106);  // the taskbar display off: nothing to bring back
        window.Send(g_uTaskbarCreatedMsg);
        EXPECT_EQ(TrayIcon(*this), nullptr);
    });
    EXPECT_EQ(m_pixels.LiveIcons(), 0u);
}

}  // namespace

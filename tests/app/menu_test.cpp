#include "tests/app/meter_fixture.h"

namespace {

// The icon opens the menu on a right click and the skin dialog on a double
// click. The menu shows the state at each opening and holds the timer while open.
TEST_F(Meter, TheMenuFollowsTheStateAndHoldsTheTimerWhileOpen) {
    Run([&](CGaugeletDlg&) {
        bool timerHeld = false;
        window.m_choose = [&] {
            timerHeld = window.m_timers.empty();
            return 0u;
        };
        for (std::uint32_t mouse : {win32::kWmLButtonDown, win32::kWmLButtonUp, win32::kWmMouseMove}) {
            window.Send(g_uTaskIconNotifyMsg, meter::kTaskIconId, mouse);
        }
        EXPECT_TRUE(window.m_trackedItems.empty());
        window.Send(g_uTaskIconNotifyMsg, meter::kTaskIconId, win32::kWmRButtonUp);
        EXPECT_TRUE(timerHeld);
        EXPECT_EQ(window.m_timers, (std::map<std::uint32_t, std::uint32_t>{{1, 1000}}));
        EXPECT_EQ(window.m_trackedItems,
                  (Lines{"102 &Skin...", "106 Display On &Taskbar *", "107 Display On Des&ktop",
                         "105 &Always On Top", "103 &Suspend", "0 Processes... >", "101 E&xit"}));
        window.Send(g_uTaskIconNotifyMsg, meter::kTaskIconId, win32::kWmLButtonDblClk);
        EXPECT_EQ(window.m_fileDialogs, 1);
        for (std::uint32_t id : {meter::kCmdSuspend, meter::kCmdAlwaysOnTop, meter::kCmdDisplayOnDesktop}) {
            window.Command(id);
        }
        OpenMenu(0);
        EXPECT_EQ(window.m_trackedItems,
                  (Lines{"102 &Skin...", "106 Display On &Taskbar *", "107 Display On Des&ktop *",
                         "105 &Always On Top *", "103 Re&sume", "0 Processes... >", "101 E&xit"}));
    });
    window.m_offersLayered = false;  // no see-through window, so no desktop display
    Run([&](CGaugeletDlg&) {
        OpenMenu(0);
        EXPECT_EQ(window.m_trackedItems, (Lines{"102 &Skin...", "106 Display On &Taskbar *",
                                                "103 &Suspend", "0 Processes... >", "101 E&xit"}));
    });
}

// A shell started after the meter, or restarted, gets the icon back as it stands.
TEST_F(Meter, TheIconComesBackWithTheShell) {
    shell.m_running = false;
    Run([&](CGaugeletDlg&) {
        EXPECT_EQ(Ticks(2, 50), (Lines{"-1 -1 r1 d0", "-1 -1 r1 d1"}));
        shell.m_running = true;
        window.Send(g_uTaskbarCreatedMsg);
        ASSERT_NE(TrayIcon(), nullptr);
        EXPECT_EQ(TrayIcon()->callbackMessage, g_uTaskIconNotifyMsg);
        EXPECT_EQ(TrayFrame(), 5);
        window.Command(meter::kCmdDisplayOnDesktop);
        window.Command(meter::kCmdDisplayOnTaskbar);
        window.Send(g_uTaskbarCreatedMsg);
        EXPECT_EQ(TrayIcon(), nullptr);
    });
}

}  // namespace

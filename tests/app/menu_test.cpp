#include "tests/app/meter_fixture.h"

namespace {

using Menu = MeterTest;

// "id text", with " *" for a check mark and " >" for a pop-up.
std::vector<std::string> Describe(const std::vector<RecordingWindow::MenuItem>& items) {
    std::vector<std::string> lines;
    for (const auto& item : items) {
        lines.push_back(std::to_string(item.id) + " " + item.text + (item.checked ? " *" : "") +
                        (item.popup != 0 ? " >" : ""));
    }
    return lines;
}

std::vector<std::string> OpenMenu(RecordingWindow& window) {
    window.Send(win32::kWmRButtonUp);
    return Describe(window.m_trackedItems);
}

TEST_F(Menu, ItemsFollowTheStateAtEachOpening) {
    Run([&](CGaugeletDlg&, RecordingWindow& window) {
        EXPECT_EQ(OpenMenu(window),
                  (std::vector<std::string>{"102 &Skin...", "106 Display On &Taskbar *",
                                            "107 Display On Des&ktop", "105 &Always On Top",
                                            "103 &Suspend", "0 Processes... >", "101 E&xit"}));
        EXPECT_TRUE(window.m_trackedProcessItems.empty());  // no process served yet

        window.Command(103);
        window.Command(105);
        window.Command(107);
        EXPECT_EQ(OpenMenu(window),
                  (std::vector<std::string>{"102 &Skin...", "106 Display On &Taskbar *",
                                            "107 Display On Des&ktop *", "105 &Always On Top *",
                                            "103 Re&sume", "0 Processes... >", "101 E&xit"}));
        window.Command(106);
        window.Command(103);
        const std::vector<std::string> items = OpenMenu(window);
        ASSERT_EQ(items.size(), 7u);
        EXPECT_EQ(items[1], "106 Display On &Taskbar");
        EXPECT_EQ(items[4], "103 &Suspend");
    });
}

TEST_F(Menu, WithoutLayeredWindowsOrOnNineXTheMenuIsShorter) {
    m_window.m_offersLayered = false;
    Run([&](CGaugeletDlg&, RecordingWindow& window) {
        EXPECT_EQ(OpenMenu(window),
                  (std::vector<std::string>{"102 &Skin...", "106 Display On &Taskbar *",
                                            "103 &Suspend", "0 Processes... >", "101 E&xit"}));
    });

    m_window.m_offersLayered = true;
    m_system.m_platformId = win32::kVerPlatformWin32Windows;
    m_processes = {{"explorer", 0}};
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        const std::size_t reads = m_registry.SpecialReadLog().size();
        EXPECT_EQ(OpenMenu(window),
                  (std::vector<std::string>{"102 &Skin...", "106 Display On &Taskbar *",
                                            "107 Display On Des&ktop", "105 &Always On Top",
                                            "103 &Suspend", "101 E&xit"}));
        EXPECT_EQ(m_registry.SpecialReadLog().size(), reads);  // no process data fetched
        EXPECT_TRUE(dlg.m_processNames.empty());
        EXPECT_EQ(window.LiveMenus(), 0);
    });
}

TEST_F(Menu, TrackingStopsTheTimerAndEveryOpeningFreesWhatItMade) {
    m_processes = {{"Idle", 0}, {"explorer", 0}, {"_Total", 0}};
    Run([&](CGaugeletDlg&, RecordingWindow& window) {
        bool timerRanWhileTracking = false;
        window.m_chooseFromMenu = [&](const auto&, const auto&) {
            timerRanWhileTracking = timerRanWhileTracking || window.m_timers.count(1) != 0;
            return 0u;
        };
        TickAt(window, 0);
        const std::int32_t users = g_nPerfDataUsers.load();
        const int handles = m_registry.OpenHandleCount();
        const std::size_t icons = m_pixels.LiveIcons();
        const std::size_t timerEntries = window.m_timerLog.size();
        window.m_cursor = {640, 470};
        for (int i = 0; i < 50; ++i) {
            window.Send(win32::kWmRButtonUp);
            window.Send(g_uTaskIconNotifyMsg, 0xFFFFFFFFu, win32::kWmRButtonUp);
        }
        EXPECT_FALSE(timerRanWhileTracking);
        EXPECT_EQ(window.m_tracks, 100);
        EXPECT_EQ(window.m_trackedAt.x, 640);
        EXPECT_EQ(window.m_trackedAt.y, 470);
        EXPECT_EQ(window.m_foregroundCalls, 100);
        EXPECT_EQ(window.m_nulls, 100);
        EXPECT_EQ(window.m_trackedProcessItems.size(), 3u);
        EXPECT_EQ(window.LiveMenus(), 0);
        EXPECT_EQ(window.m_badMenuReleases, 0);
        EXPECT_EQ(g_nPerfDataUsers.load(), users);
        EXPECT_EQ(m_registry.OpenHandleCount(), handles);
        EXPECT_EQ(m_pixels.LiveIcons(), icons);
        ASSERT_EQ(window.m_timerLog.size(), timerEntries + 200);
        EXPECT_EQ(window.m_timerLog[timerEntries], "kill 1");
        EXPECT_EQ(window.m_timerLog.back(), "set 1 1000");
        EXPECT_EQ(window.m_timers.at(1), 1000u);
    });
}

TEST_F(Menu, NotificationIconOpensTheSkinDialogOrTheMenuAndIgnoresTheRest) {
    Run([&](CGaugeletDlg&, RecordingWindow& window) {
        const std::size_t timerEntries = window.m_timerLog.size();
        for (std::intptr_t mouse : {0x0200, 0x0201, 0x0202, 0x0204, 0x0206, 0x0207, 0x0208}) {
            EXPECT_EQ(window.Send(g_uTaskIconNotifyMsg, 0xFFFFFFFFu, mouse), 0) << mouse;
        }
        EXPECT_EQ(window.m_tracks, 0);
        EXPECT_TRUE(window.m_fileRequests.empty());
        EXPECT_EQ(window.m_timerLog.size(), timerEntries);

        EXPECT_EQ(window.Send(g_uTaskIconNotifyMsg, 7, win32::kWmLButtonDblClk), 0);
        ASSERT_EQ(window.m_fileRequests.size(), 1u);
        EXPECT_EQ(window.m_fileRequests[0], ".bmp");
        EXPECT_EQ(window.m_tracks, 0);
        EXPECT_EQ(window.m_timers.at(1), 1000u);

        EXPECT_EQ(window.Send(g_uTaskIconNotifyMsg, 7, win32::kWmRButtonUp), 0);
        EXPECT_EQ(window.m_tracks, 1);
        EXPECT_EQ(window.m_fileRequests.size(), 1u);
    });
}

}  // namespace

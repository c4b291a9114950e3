#include "tests/app/meter_fixture.h"

namespace {

using Tick = MeterTest;

TEST_F(Tick, FramesFollowTheLoadAndTicksWithoutLoadChangeNothing) {
    m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "Desktop", 1);
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        TickAt(window, 50);  // the first sample only records
        EXPECT_EQ(dlg.m_nFrame, -1);
        EXPECT_EQ(StaticIcon(), 0u);
        TickAt(window, 50);
        EXPECT_EQ(dlg.m_nFrame, 5);
        EXPECT_EQ(TrayFrame(dlg), 5);
        const std::size_t shellCalls = m_shell.m_calls.size();
        const IconHandle shown = StaticIcon();
        TickAt(window, 50);  // the same frame is not drawn again
        EXPECT_EQ(m_shell.m_calls.size(), shellCalls);
        EXPECT_EQ(StaticIcon(), shown);
        TickAt(window, 100);
        EXPECT_EQ(dlg.m_nFrame, 11);
        TickAt(window, 0);
        EXPECT_EQ(dlg.m_nFrame, 0);
        window.Tick();  // no time passed: no load
        EXPECT_EQ(dlg.m_nFrame, 0);
        TickAt(window, 9);  // 11 x 0.09 truncates to 0
        EXPECT_EQ(dlg.m_nFrame, 0);
        TickAt(window, -1);  // idle ran ahead of the clock
        EXPECT_EQ(dlg.m_nFrame, 0);
        TickAt(window, 10);
        EXPECT_EQ(dlg.m_nFrame, 1);
        EXPECT_EQ(TrayFrame(dlg), 1);
        EXPECT_NE(StaticIcon(), 0u);
        EXPECT_TRUE(window.m_visible);
    });
    // One icon in the control, one in the notification area; both went.
    EXPECT_EQ(m_pixels.LiveIcons(), 0u);
    EXPECT_EQ(m_pixels.BadReleases(), 0);
}

TEST_F(Tick, SuspendShowsIdleAndKeepsTheTipAndTheRhythm) {
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        TickAt(window, 60);
        TickAt(window, 60);
        EXPECT_EQ(dlg.m_nFrame, 6);
        window.Command(103);
        EXPECT_EQ(TrayFrame(dlg), 0);
        EXPECT_EQ(dlg.m_taskIcon.GetTip(), "gaugelet (suspended)");
        TickAt(window, 100);
        EXPECT_EQ(TrayFrame(dlg), 0);
        EXPECT_EQ(dlg.m_nFrame, 6);
        EXPECT_FALSE(window.m_visible);  // hidden while the desktop display is off
        window.Command(103);
        EXPECT_EQ(dlg.m_taskIcon.GetTip(), "gaugelet");
        TickAt(window, 20);  // the average over the suspension: 60 %
        EXPECT_EQ(dlg.m_nFrame, 6);
        EXPECT_EQ(TrayFrame(dlg), 6);  // the same frame as before is shown again
    });
    EXPECT_EQ(m_pixels.LiveIcons(), 0u);
    EXPECT_EQ(m_pixels.BadReleases(), 0);
}

// Reads of the performance data per tick: an unusable query is retried every
// third tick; a watched process is sampled every tick and refreshed every fifth.
TEST_F(Tick, QueriesAreRetriedAndRefreshedOnTheirRhythm) {
    m_perfDataServed = false;
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        ASSERT_EQ(window.m_boxes.size(), 1u);
        EXPECT_EQ(window.m_boxes[0].text, "Failed to create performance data query !");
        std::vector<int> reads;
        for (int tick = 1; tick <= 6; ++tick) {
            const int before = m_fetches;
            TickAt(window, 50);
            reads.push_back(m_fetches - before);
        }
        EXPECT_EQ(reads, (std::vector<int>{0, 0, 1, 0, 0, 1}));
        EXPECT_EQ(dlg.m_nFrame, 0);
        EXPECT_EQ(TrayFrame(dlg), 0);
    });

    m_perfDataServed = true;
    m_processes = {{"gaugelet", 0}};
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        window.m_chooseFromMenu = [](const auto&, const auto&) { return 2000u; };
        window.Send(win32::kWmRButtonUp);
        ASSERT_TRUE(dlg.m_bWatchProcess);
        std::vector<int> reads;
        for (int tick = 1; tick <= 10; ++tick) {
            const int before = m_fetches;
            TickAt(window, 50);
            reads.push_back(m_fetches - before);
        }
        EXPECT_EQ(reads, (std::vector<int>{1, 1, 1, 1, 2, 1, 1, 1, 1, 2}));
    });
}

}  // namespace

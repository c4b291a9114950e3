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
        TickAt(window, 50);
        TickAt(window, -50);  // far ahead: still the idle frame, never no icon
        EXPECT_EQ(TrayFrame(dlg), 0);
        EXPECT_EQ(FrameOf(dlg, StaticIcon()), 0);
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

TEST_F(Tick, AFailedSampleShowsIdleAndIsRetriedEveryThirdTick) {
    enum class Outage { kNone, kNoAnswer, kTotalGone };
    Outage outage = Outage::kNone;
    m_machine.ServeBlocks([&](const std::string& name) {
        m_served = outage == Outage::kNoAnswer ? std::vector<std::uint8_t>() : Block(name);
        if (outage == Outage::kTotalGone && name == "238") {
            perf::BlockSpec spec;
            spec.perfTime100nSec = m_time;
            spec.objects.push_back({238, {{6, perf::kCounterTypeTimer100NsInv, 8}}, true,
                                    {{u"0", {m_idle}}}, {}});
            m_served = perf::BuildPerfBlock(spec);
        }
        return &m_served;
    });
    ReachableMachine("far", "5.0");
    CommandLineApp app("far");
    for (const Outage broken : {Outage::kNoAnswer, Outage::kTotalGone}) {
        SCOPED_TRACE(static_cast<int>(broken));
        outage = Outage::kNone;
        Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
            TickAt(window, 80);
            TickAt(window, 80);
            ASSERT_EQ(TrayFrame(dlg), 8);
            outage = broken;
            std::vector<std::size_t> readsPerTick;
            for (int tick = 3; tick <= 8; ++tick) {
                const std::size_t before = m_registry.SpecialReadLog().size();
                TickAt(window, 80);
                readsPerTick.push_back(m_registry.SpecialReadLog().size() - before);
            }
            // A sample and a refresh at tick 3, then a refresh every third tick.
            EXPECT_EQ(readsPerTick, (std::vector<std::size_t>{2, 0, 0, 1, 0, 0}));
            EXPECT_EQ(TrayFrame(dlg), 0);
            outage = Outage::kNone;
            TickAt(window, 80);
            TickAt(window, 80);
            EXPECT_EQ(TrayFrame(dlg), 8);
        });
    }
}

TEST_F(Tick, AnUnreachableMachineIsTriedEverLessOftenUpToOnceAMinute) {
    ReachableMachine("far", "5.0");
    CommandLineApp app("far");
    m_processes = {{"remote", 0}};
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        window.m_chooseFromMenu = [](const auto&, const auto&) { return 0u; };
        window.Send(win32::kWmRButtonUp);  // lists the machine's processes
        m_registry.SetMachineAnswers("far", false);
        window.Command(2000);  // the choice and its fall-back both lose the machine
        ASSERT_FALSE(dlg.m_perfQuery.m_bOpen);
        std::vector<int> attemptTicks;
        for (int tick = 1; tick <= 300; ++tick) {
            const int before = m_registry.ConnectAttempts();
            TickAt(window, 50);
            if (m_registry.ConnectAttempts() != before) {
                attemptTicks.push_back(tick);
            }
        }
        EXPECT_EQ(attemptTicks, (std::vector<int>{6, 18, 42, 90, 150, 210, 270}));
        m_registry.SetMachineAnswers("far", true);
        for (int tick = 0; tick < 60 && TrayFrame(dlg) != 5; ++tick) {
            TickAt(window, 50);
        }
        EXPECT_EQ(TrayFrame(dlg), 5);
    });
}

TEST_F(Tick, UnusableQueryShowsIdleAndRetriesEveryThirdTick) {
    m_registry.SetPerformanceDataHandler(nullptr);
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        ASSERT_EQ(window.m_boxes.size(), 1u);
        EXPECT_EQ(window.m_boxes[0].text, "Failed to create performance data query !");
        window.Tick();
        EXPECT_EQ(dlg.m_nFrame, 0);
        EXPECT_EQ(TrayFrame(dlg), 0);
    });
}

}  // namespace

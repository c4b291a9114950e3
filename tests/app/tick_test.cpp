#include <tuple>

#include "tests/app/meter_fixture.h"

namespace {

// A frame is drawn when it changes, or when a display has not shown it yet.
TEST_F(Meter, FramesFollowTheLoadAndOnlyAChangeIsDrawn) {
    Store({{"Desktop", 1}});
    Run([&](CGaugeletDlg&) {
        EXPECT_EQ(Ticks(3, 50), (Lines{"-1 -1 r1 d0", "5 5 r1 d2", "5 5 r1 d0"}));
        EXPECT_EQ(Tick(100), "11 11 r1 d2");
        EXPECT_EQ(Tick(0), "0 0 r1 d2");
        EXPECT_EQ(Tick(kClockStill), "0 0 r1 d0");
        EXPECT_EQ(Tick(9), "0 0 r1 d0");  // 11 x 0.09 truncates to 0
        EXPECT_EQ(Tick(50), "5 5 r1 d2");
        EXPECT_EQ(Tick(-50), "0 0 r1 d2");  // idle ran ahead of the clock
        EXPECT_EQ(Tick(10), "1 1 r1 d2");

        window.Command(meter::kCmdSuspend);
        EXPECT_EQ(Tip(), "gaugelet (suspended)");
        EXPECT_EQ(Tick(30), "0 0 r0 d0");
        window.Command(meter::kCmdSuspend);
        EXPECT_EQ(Tip(), "gaugelet");
        EXPECT_EQ(Tick(0), "1 1 r1 d2");  // 15 % since the last sample: the frame before

        for (const auto& [display, load, shown] :
             {std::tuple(meter::kCmdDisplayOnTaskbar, 50, "-1 5 r1 d1"),
              {meter::kCmdDisplayOnTaskbar, 50, "5 5 r1 d2"}, {meter::kCmdDisplayOnDesktop, 100, "11 5 r1 d1"},
              {meter::kCmdDisplayOnDesktop, 100, "11 11 r1 d2"}}) {
            window.Command(display);
            EXPECT_EQ(Tick(load), shown);
        }
        // Switched on while suspended, a display shows the idle frame at once.
        for (std::uint32_t id : {meter::kCmdDisplayOnDesktop, meter::kCmdSuspend, meter::kCmdDisplayOnDesktop,
                                 meter::kCmdDisplayOnTaskbar, meter::kCmdDisplayOnTaskbar}) {
            window.Command(id);
        }
        EXPECT_EQ(Tick(100), "0 0 r0 d0");
    });
}

// Without data the displays show the idle frame at once and the tip says
// why, until a load shows again. An unusable query is refreshed every third
// tick, and so is one whose sample failed: only a refresh can find the data.
TEST_F(Meter, NoDataShowsIdleAndSaysSoAndIsRefreshedEveryThirdTick) {
    m_served = false;
    Run([&](CGaugeletDlg&) {
        EXPECT_EQ(window.m_boxes, Lines{meter::kNotUsableQuery});
        EXPECT_EQ(Ticks(6, 50), (Lines{"0 -1 r0 d1 ?", "0 -1 r0 d0 ?", "0 -1 r1 d0 ?", "0 -1 r0 d0 ?",
                                       "0 -1 r0 d0 ?", "0 -1 r1 d0 ?"}));
        EXPECT_EQ(Tip(), "gaugelet (no data)");
        m_served = true;
        EXPECT_EQ(Ticks(6, 50), (Lines{"0 -1 r0 d0 ?", "0 -1 r0 d0 ?", "0 -1 r1 d0 ?", "0 -1 r1 d0 ?",
                                       "5 -1 r1 d1", "5 -1 r1 d0"}));
        EXPECT_EQ(Tip(), "gaugelet");
        m_served = false;
        EXPECT_EQ(Ticks(6, 50), (Lines{"0 -1 r1 d1 ?", "0 -1 r1 d0 ?", "0 -1 r2 d0 ?", "0 -1 r0 d0 ?",
                                       "0 -1 r0 d0 ?", "0 -1 r1 d0 ?"}));
        window.Command(meter::kCmdSuspend);
        EXPECT_EQ(Tip(), "gaugelet (suspended)");
    });
}

// A machine that stops answering, at a read or at a connection, costs one
// blocking call a step of a backoff that doubles up to a minute; the menu
// does not ask it for its processes meanwhile; the tip says there are no
// data, cutting the machine's name to keep the suffix; a load shows within
// a step once it answers again.
TEST_F(Meter, ALostMachineCostsOneCallAMinuteAndComesBackWithinOne) {
    const std::string far = "\\\\" + std::string(50, 'f');
    Answering(far, "5.0");
    CommandLineApp app(far);
    Run([&](CGaugeletDlg&) {
        EXPECT_EQ(Ticks(2, 50), (Lines{"-1 -1 r1 d0", "5 -1 r1 d1"}));
        registry.SetMachineAnswers(far, false);
        std::vector<int> attempts;
        for (int tick = 1; tick <= 24 * 3600; ++tick) {
            const int before = registry.BlockedCalls();
            window.Tick();
            if (registry.BlockedCalls() != before) {
                attempts.push_back(tick);
            }
        }
        EXPECT_EQ(std::vector<int>(attempts.begin(), attempts.begin() + 8),
                  (std::vector<int>{1, 4, 10, 22, 46, 94, 154, 214}));
        EXPECT_EQ(attempts.size(), 1444u);
        EXPECT_EQ(Tip(), "gaugelet (\\\\" + std::string(40, 'f') + ") (no data)");
        OpenMenu(0);
        EXPECT_EQ(window.m_trackedProcessItems, Lines{});
        EXPECT_EQ(registry.BlockedCalls(), 1444) << "one call an attempt, none by the menu";
        registry.SetMachineAnswers(far, true);
        int ticks = 0;
        for (; ticks < 70 && TrayFrame() != 5; ++ticks) {
            Tick(50);
        }
        EXPECT_LE(ticks, 62);
        EXPECT_EQ(Tip(), "gaugelet (" + far + ")");
    });
}

TEST_F(Meter, OnNineXTheStatisticInPercentPicksTheFrame) {
    system.m_platformId = FakeSystem::kPlatformWindows9x;
    system.m_majorVersion = 4;
    registry.PutDword("", win32::kRootLocalMachine,
                      "System\\CurrentControlSet\\Control\\PerfStats\\Enum\\KERNEL\\CPUUsage",
                      "Name", 1);
    Store({{"Desktop", 1}});
    Run([&](CGaugeletDlg&) {
        // A statistic that stops answering shows that there are no data.
        for (const auto& [statistic, shown] :
             {std::pair<std::vector<std::uint8_t>, const char*>({0, 0, 0, 0}, "0 0 r0 d2"),
              {{100, 0, 0, 0}, "11 11 r0 d2"}, {{50, 0, 0, 0}, "5 5 r0 d2"},
              {{101, 0, 0, 0}, "5 5 r0 d0"}, {{50, 0}, "0 0 r0 d2 ?"}, {{50, 0, 0, 0}, "5 5 r0 d2"}}) {
            registry.Put("", win32::kRootDynData, "PerfStats\\StatData", "KERNEL\\CPUUsage",
                         win32::kRegBinary, statistic);
            EXPECT_EQ(Tick(0), shown) << int{statistic[0]};
        }
    });
    EXPECT_EQ(m_reads, 0);
}

}  // namespace

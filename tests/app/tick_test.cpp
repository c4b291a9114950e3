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

// An unusable query is refreshed every third tick, and so is one whose
// sample failed: only a refresh can find the data again.
TEST_F(Meter, AnUnusableQueryIsRefreshedEveryThirdTick) {
    m_served = false;
    Run([&](CGaugeletDlg&) {
        EXPECT_EQ(window.m_boxes, Lines{meter::kNotUsableQuery});
        EXPECT_EQ(Ticks(6, 50), (Lines{"0 -1 r0 d1", "0 -1 r0 d0", "0 -1 r1 d0", "0 -1 r0 d0",
                                       "0 -1 r0 d0", "0 -1 r1 d0"}));
        m_served = true;
        EXPECT_EQ(Ticks(6, 50), (Lines{"0 -1 r0 d0", "0 -1 r0 d0", "0 -1 r1 d0", "0 -1 r1 d0",
                                       "5 -1 r1 d1", "5 -1 r1 d0"}));
        m_served = false;
        EXPECT_EQ(Ticks(6, 50), (Lines{"5 -1 r1 d0", "5 -1 r1 d0", "0 -1 r2 d1", "0 -1 r0 d0",
                                       "0 -1 r0 d0", "0 -1 r1 d0"}));
    });
}

// Each failed attempt at a machine that stopped answering doubles the wait
// for the next, up to a minute; it is watched again once it answers.
TEST_F(Meter, AnUnreachableMachineIsTriedEverLessOften) {
    Answering("far", "5.0");
    CommandLineApp app("far");
    m_processes = {{"remote", 50}};
    Run([&](CGaugeletDlg&) {
        window.m_choose = [&] {
            registry.SetMachineAnswers("far", false);
            return meter::kCmdFirstProcess;
        };
        window.Send(win32::kWmRButtonUp);  // the choice and its fall-back both fail
        std::vector<int> attempts;
        for (int tick = 1; tick <= 300; ++tick) {
            const int before = registry.ConnectAttempts();
            window.Tick();
            if (registry.ConnectAttempts() != before) {
                attempts.push_back(tick);
            }
        }
        EXPECT_EQ(attempts, (std::vector<int>{6, 18, 42, 90, 150, 210, 270}));
        registry.SetMachineAnswers("far", true);
        for (int tick = 0; tick < 60 && TrayFrame() != 5; ++tick) {
            Tick(50);
        }
        EXPECT_EQ(TrayFrame(), 5);
    });
}

TEST_F(Meter, OnNineXTheStatisticInPercentPicksTheFrame) {
    system.m_platformId = win32::kVerPlatformWin32Windows;
    system.m_majorVersion = 4;
    registry.PutDword("", win32::kRootLocalMachine,
                      "System\\CurrentControlSet\\Control\\PerfStats\\Enum\\KERNEL\\CPUUsage",
                      "Name", 1);
    Store({{"Desktop", 1}});
    Run([&](CGaugeletDlg&) {
        for (const auto& [percent, shown] : {std::pair<std::uint8_t, const char*>(0, "0 0 r0 d2"),
                                             {100, "11 11 r0 d2"}, {50, "5 5 r0 d2"},
                                             {101, "5 5 r0 d0"}}) {
            registry.Put("", win32::kRootDynData, "PerfStats\\StatData", "KERNEL\\CPUUsage",
                         win32::kRegBinary, {percent, 0, 0, 0});
            EXPECT_EQ(Tick(0), shown) << int{percent};
        }
    });
    EXPECT_EQ(m_reads, 0);
}

}  // namespace

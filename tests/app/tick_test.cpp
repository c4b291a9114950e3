#include <cctype>

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

// Suspend shows the idle frame and marks the tip, remote name and all; after
// Resume the load averaged over the suspension is shown, even the same frame.
TEST_F(Tick, SuspendShowsIdleAndKeepsTheTipAndTheRhythm) {
    CommandLineApp app("\\\\box");
    ReachableMachine("\\\\box", "5.0");
    m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "Desktop", 1);
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        window.m_chooseFromMenu = [](const auto&, const auto&) { return 103u; };
        TickAt(window, 60);
        TickAt(window, 60);
        ASSERT_EQ(dlg.m_nFrame, 6);
        window.Send(win32::kWmRButtonUp);
        EXPECT_EQ(m_shell.Find(RecordingWindow::kDialog, 0xFFFFFFFFu)->tip,
                  "gaugelet (\\\\box) (suspended)");
        TickAt(window, 100);
        EXPECT_EQ(TrayFrame(dlg), 0);
        EXPECT_EQ(FrameOf(dlg, StaticIcon()), 0);
        EXPECT_EQ(dlg.m_nFrame, 6);
        window.Send(win32::kWmRButtonUp);
        EXPECT_EQ(window.m_trackedItems[4].text, "Re&sume");
        EXPECT_EQ(m_shell.Find(RecordingWindow::kDialog, 0xFFFFFFFFu)->tip, "gaugelet (\\\\box)");
        TickAt(window, 20);  // 60 % over the suspension: the frame shown before it
        EXPECT_EQ(TrayFrame(dlg), 6);
        EXPECT_EQ(FrameOf(dlg, StaticIcon()), 6);
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

const char kAnnouncement[] =
    "System\\CurrentControlSet\\Control\\PerfStats\\Enum\\KERNEL\\CPUUsage";

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// A 9x machine whose KERNEL\CPUUsage statistic the test sets.
class Win9xTick : public MeterTest {
public:
    void SetUp() override {
        MeterTest::SetUp();
        m_system.m_platformId = win32::kVerPlatformWin32Windows;
        m_system.m_majorVersion = 4;
        m_system.m_minorVersion = 10;
        m_registry.PutDword("", win32::kRootLocalMachine, kAnnouncement, "Name", 1);
        m_registry.SetDynDataHandler([this](const std::string&, const std::string&,
                                            const std::string&, std::uint32_t* type,
                                            std::uint8_t* data, std::uint32_t* size) {
            if (size == nullptr) {
                return win32::kErrorInvalidParameter;
            }
            if (type != nullptr) {
                *type = win32::kRegBinary;
            }
            if (data != nullptr && *size < 4) {
                *size = 4;
                return win32::kErrorMoreData;
            }
            if (data != nullptr) {
                std::memcpy(data, &m_load, 4);
            }
            *size = 4;
            return win32::kErrorSuccess;
        });
    }

    std::uint32_t m_load = 0;
};

TEST_F(Win9xTick, StatisticInPercentPicksTheFrame) {
    m_registry.PutDword("", win32::kRootCurrentUser, kSettings, "Desktop", 1);
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        EXPECT_FALSE(dlg.m_bWinNT);
        EXPECT_EQ(dlg.m_instanceName, "0");
        EXPECT_TRUE(window.m_boxes.empty());
        const std::pair<std::uint32_t, int> steps[] = {{0, 0}, {100, 11}, {50, 5}, {101, 5}};
        for (const auto& step : steps) {
            m_load = step.first;
            window.Tick();
            EXPECT_EQ(dlg.m_nFrame, step.second) << step.first;
            EXPECT_EQ(TrayFrame(dlg), step.second) << step.first;
            EXPECT_EQ(FrameOf(dlg, StaticIcon()), step.second) << step.first;
        }
    });
    const auto& reads = m_registry.SpecialReadLog();
    ASSERT_FALSE(reads.empty());
    EXPECT_NE(Lower(reads.front()).find("perfstats\\startstat"), std::string::npos) << reads.front();
    EXPECT_NE(Lower(reads.back()).find("perfstats\\stopstat"), std::string::npos) << reads.back();
}

}  // namespace

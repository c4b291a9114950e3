// The meter window on a machine of in-memory seams whose processor and
// process times the test moves on a second at a time.
#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/gaugelet_app.h"
#include "app/gaugelet_dlg.h"
#include "app/meter_ids.h"
#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "perf/processor_instances.h"
#include "res/resource_ids.h"
#include "testing/fake_machine.h"

namespace {

using Lines = std::vector<std::string>;

// An application object that only gives the meter its command line.
struct CommandLineApp : CGaugeletApp {
    explicit CommandLineApp(const std::string& commandLine) { m_strCmdLine = commandLine; }
    bool InitInstance() override { return false; }
};

class Meter : public ::testing::Test, public FakeMachine {
protected:
    struct Process {
        std::string name;
        int percent;  // of the processor, every second
        std::uint64_t time = 0;
    };
    static constexpr int kClockStill = -1000;  // a load for a tick in which no time passes

    void SetUp() override {
        g_nPerfDataUsers = 0;
        system.m_majorVersion = 5;
        ServeBlocks([this](const std::string& name) {
            ++m_reads;
            m_block = m_served ? Block(name) : std::vector<std::uint8_t>();
            return &m_block;
        });
    }
    // A window takes with it everything it made.
    void TearDown() override {
        EXPECT_EQ(pixels.Live(), 0u);
        EXPECT_EQ(pixels.BadReleases() + window.m_badMenuReleases, 0);
        EXPECT_EQ(registry.OpenHandleCount(), 0);
        EXPECT_EQ(g_nPerfDataUsers.load(), 0);
        EXPECT_TRUE(window.m_menus.empty());
    }

    void Store(std::initializer_list<std::pair<const char*, std::int32_t>> settings) {
        for (const auto& [name, value] : settings) {
            registry.PutDword("", win32::kRootCurrentUser, meter::kSettingsKey, name,
                              static_cast<std::uint32_t>(value));
        }
    }

    // The processors' idle time as "0" onwards and "_Total", or each process's time.
    std::vector<std::uint8_t> Block(const std::string& name) const {
        const bool processor = name == "238";
        perf::ObjectSpec object;
        object.nameTitleIndex = static_cast<std::uint32_t>(std::stoul(name));
        object.counters = {
            {6, processor ? perf::kCounterTypeTimer100NsInv : perf::kCounterTypeTimer100Ns}};
        if (processor) {
            object.instances = perf::ProcessorInstances(std::vector<std::int64_t>(m_processors, m_idle));
        }
        for (const Process& process : processor ? std::vector<Process>() : m_processes) {
            object.instances.push_back({{process.name.begin(), process.name.end()}, {process.time}});
        }
        return perf::BuildPerfBlock({0, 10000000, m_time, {object}});
    }

    void Run(const std::function<void(CGaugeletDlg&)>& script) {
        CGaugeletDlg dlg;
        window.m_script = [&](RecordingWindow&) { script(dlg); };
        dlg.DoModal();
    }
    void OpenMenu(std::uint32_t choice) {
        window.m_choose = [choice] { return choice; };
        window.Send(win32::kWmRButtonUp);
    }

    // A second at the given processor load: the frame in the notification
    // area and on the desktop (-1 for none), the reads of performance data,
    // the icons handed to the displays, and " ?" where the tip says there
    // are no data.
    std::string Tick(int load) {
        if (load != kClockStill) {
            m_time += 1000;
            m_idle += 10 * (100 - load);
            for (Process& process : m_processes) {
                process.time += static_cast<std::uint64_t>(10 * process.percent);
            }
        }
        const int reads = m_reads;
        const std::size_t calls = shell.m_calls.size();
        IconHandle& desk = window.m_staticIcons[IDC_METER];
        const IconHandle deskBefore = desk;
        window.Tick();
        const auto draws = std::count_if(shell.m_calls.begin() + static_cast<long>(calls), shell.m_calls.end(),
                                         [](const std::string& call) { return call != "modify 4"; }) +
                           (desk != deskBefore ? 1 : 0);
        const std::string tip = Tip();
        return std::to_string(TrayFrame()) + " " + std::to_string(pixels.IconOf(desk).frame) +
               " r" + std::to_string(m_reads - reads) + " d" + std::to_string(draws) +
               (tip.size() > 9 && tip.substr(tip.size() - 9) == "(no data)" ? " ?" : "");
    }
    Lines Ticks(std::size_t count, int load) {
        Lines shown(count);
        std::generate(shown.begin(), shown.end(), [&] { return Tick(load); });
        return shown;
    }

    const RecordingShell::ShownIcon* TrayIcon() const {
        return shell.Find(RecordingWindow::kDialog, meter::kTaskIconId);
    }
    int TrayFrame() const { return pixels.IconOf(TrayIcon() ? TrayIcon()->icon : 0).frame; }
    std::string Tip() const { return TrayIcon() == nullptr ? "(no icon)" : TrayIcon()->tip; }
    // "left,top widthxheight"
    std::string WindowAt() const {
        const WindowRect& r = window.m_rect;
        return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
               std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
    }

    std::vector<std::uint8_t> m_block;
    bool m_served = true;
    int m_reads = 0;
    std::int64_t m_time = 1000;
    std::int64_t m_idle = 0;
    std::size_t m_processors = 1;
    std::vector<Process> m_processes;
};

// Stored settings, however odd, place the window at its stored size where a
// screen shows its middle, over the taskbar too, else inside the work area;
// with both displays off the icon comes back on. Systems from version 5 on
// watch "_Total".
TEST_F(Meter, StartsAsStoredWhereTheWindowCanBeSeen) {
    Run([&](CGaugeletDlg&) {
        EXPECT_EQ(window.m_exStyle, 0x00080080u);  // tool window, layered, no app window
        EXPECT_EQ(WindowAt(), "0,0 20x20");
    });
    const struct {
        std::uint32_t version;
        std::int32_t taskBar, desktop, topMost, left, top, right, bottom, screenRight;
        const char *placed, *instance;
    } cases[] = {
        {4, 0, 0, 1, 100, 50, 120, 75, 1024, "100,50 20x25", "0"},
        {10, 1, 1, 0, -32000, -32000, -31980, -31980, 1024, "0,0 20x20", "_Total"},
        {5, 0, 1, 1, 2000000000, 5, 2000000020, 25, 1024, "1004,5 20x20", "_Total"},
        {5, 0, 1, 0, 1500, 100, 1520, 120, 2048, "1500,100 20x20", "_Total"},
        {5, 0, 1, 0, 1500, 100, 1520, 120, 1024, "1004,100 20x20", "_Total"},
        {5, 0, 1, 0, 100, 5000, 120, 5025, 1024, "100,715 20x25", "_Total"},
        {5, 0, 1, 0, -9, -9, 11, 11, 1024, "-9,-9 20x20", "_Total"},
        {5, 0, 1, 0, -11, -11, 9, 9, 1024, "0,0 20x20", "_Total"},
        {5, 0, 1, 0, 100, 745, 120, 765, 1024, "100,745 20x20", "_Total"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        system.m_majorVersion = c.version;
        window.m_screen.right = c.screenRight;
        Store({{"TaskBar", c.taskBar}, {"Desktop", c.desktop}, {"TopMost", c.topMost},
               {"PosLEFT", c.left}, {"PosTOP", c.top}, {"PosRIGHT", c.right}, {"PosBOTTOM", c.bottom}});
        Run([&](CGaugeletDlg& dlg) {
            EXPECT_EQ(dlg.m_instanceName, c.instance);
            window.Tick();
            EXPECT_EQ(TrayIcon() != nullptr, c.taskBar != 0 || c.desktop == 0);
            EXPECT_EQ(window.m_visible, c.desktop != 0);
            EXPECT_EQ(WindowAt(), c.placed);
            EXPECT_EQ(window.m_zOrder,
                      std::vector<InsertAfter>{c.topMost ? InsertAfter::kTopMost : InsertAfter::kTop});
        });
    }
    EXPECT_EQ(registry.WriteCount(), 0);
}

// A machine named on the command line is watched, its name in the tip; one
// that does not answer is reported and the local one watched instead.
TEST_F(Meter, TheCommandLineNamesTheMachineToWatch) {
    registry.AddMachine("\\\\box", "4.0");
    const struct {
        const char *commandLine, *instance, *tip;
        Lines boxes;
    } cases[] = {{"\\\\box", "0", "gaugelet (\\\\box)", {}},
                 {"far away ", "_Total", "gaugelet", {"Failed to connect to \nfar away "}}};
    for (const auto& c : cases) {
        CommandLineApp app(c.commandLine);
        Run([&](CGaugeletDlg& dlg) {
            EXPECT_EQ(dlg.m_instanceName, c.instance);
            EXPECT_EQ(Tip(), c.tip);
            EXPECT_EQ(window.m_boxes, c.boxes);
            EXPECT_EQ(Ticks(2, 60), (Lines{"-1 -1 r1 d0", "6 -1 r1 d1"}));
        });
    }
    EXPECT_EQ(CommandTail("gaugelet.exe"), "");
    EXPECT_EQ(CommandTail("\"C:\\Program Files\\g.exe\"   \\\\box one "), "\\\\box one ");
    EXPECT_EQ(CommandTail("g.exe\tbox"), "box");
}

// Stored at 96 dpi, the meter starts where it was left at its size for the
// DPI, frames cut for each display; a DPI change rescales it at once. A DPI
// or icon size the system should never give is the design's.
TEST_F(Meter, WindowAndFramesFollowTheDpi) {
    const struct {
        int dpi, notifyIconSize, side, tray;
    } cases[] = {{192, 32, 40, 32}, {144, 24, 30, 24}, {96, 16, 20, 16}, {0, 0, 20, 16},
                 {-96, 100000, 20, 16}, {1 << 30, 20, 20, 20}};
    for (const auto& c : cases) {
        Store({{"Desktop", 1}, {"PosLEFT", 100}, {"PosTOP", 50}, {"PosRIGHT", 120}, {"PosBOTTOM", 70}});
        window.m_dpi = c.dpi;
        window.m_notifyIconSize = c.notifyIconSize;
        Run([&](CGaugeletDlg&) {
            const std::string side = std::to_string(c.side);
            EXPECT_EQ(WindowAt(), "100,50 " + side + "x" + side) << c.dpi;
            Tick(0);
            Tick(100);
            EXPECT_EQ(pixels.IconOf(TrayIcon()->icon).width, c.tray);
            EXPECT_EQ(pixels.IconOf(window.m_staticIcons[IDC_METER]).width, c.side * 16 / 20);

            WindowRect suggested{500, 60, 0, 0};
            window.Send(win32::kWmDpiChanged, 288, reinterpret_cast<std::intptr_t>(&suggested));
            EXPECT_EQ(WindowAt(), "500,60 60x60");
            EXPECT_EQ(pixels.IconOf(window.m_staticIcons[IDC_METER]).width, 48);
            window.Command(meter::kCmdExit);
        });
    }
}

// Stored and restored at any DPI from 96 to 480, ten times over, and taken to
// another DPI and back, the window keeps its size. Its size at the DPI it
// has decides whether the screen shows its middle.
TEST_F(Meter, TheWindowKeepsItsSizeAtEveryDpi) {
    for (int dpi = 96; dpi <= 480; ++dpi) {
        window.m_dpi = dpi;
        const int width = (20 * dpi + 48) / 96;
        const std::string side = std::to_string(width);
        Store({{"Desktop", 1}, {"PosLEFT", 1010}, {"PosTOP", 50}, {"PosRIGHT", 1030}, {"PosBOTTOM", 70}});
        for (int run = 0; run < 10; ++run) {
            Run([&](CGaugeletDlg&) {
                const std::string placed = WindowAt();
                EXPECT_EQ(placed, std::to_string(1010 + width / 2 < 1024 ? 1010 : 1024 - width) + ",50 " +
                                      side + "x" + side) << dpi;
                for (const int to : {96 + 480 - dpi, dpi}) {
                    WindowRect there{window.m_rect.left, window.m_rect.top, 0, 0};
                    window.Send(win32::kWmDpiChanged, static_cast<std::uintptr_t>(to),
                                reinterpret_cast<std::intptr_t>(&there));
                }
                EXPECT_EQ(WindowAt(), placed) << dpi;
                window.Command(meter::kCmdExit);
            });
        }
    }
}

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
    registry.AddMachine(far, "5.0");
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

// A watched process is sampled every tick and refreshed every fifth, a change
// of object starts a fresh pair of samples, and a process that exits shows
// that there are no data until one of its name comes back.
TEST_F(Meter, AWatchedProcessIsRefreshedEveryFifthTickAndOutlivesItsExit) {
    m_processes = {{"editor", 30}, {"hog", 90}, {"_Total", 0}};
    Run([&](CGaugeletDlg&) {
        EXPECT_EQ(Ticks(2, 70), (Lines{"-1 -1 r1 d0", "7 -1 r1 d1"}));
        OpenMenu(2000);
        EXPECT_EQ(window.m_trackedProcessItems, (Lines{"2000 editor", "2001 hog", "2002 _Total"}));
        EXPECT_EQ(Ticks(8, 70), (Lines{"7 -1 r1 d0", "3 -1 r1 d1", "3 -1 r2 d0", "3 -1 r1 d0",
                                       "3 -1 r1 d0", "3 -1 r1 d0", "3 -1 r1 d0", "3 -1 r2 d0"}));
        m_processes.erase(m_processes.begin());  // "hog" moves into its place
        EXPECT_EQ(Ticks(5, 70), (Lines{"0 -1 r1 d1 ?", "0 -1 r2 d0 ?", "0 -1 r0 d0 ?", "0 -1 r0 d0 ?",
                                       "0 -1 r1 d0 ?"}));
        m_processes.push_back({"editor", 50});  // a new process: its time starts again
        EXPECT_EQ(Ticks(5, 70), (Lines{"0 -1 r0 d0 ?", "0 -1 r0 d0 ?", "0 -1 r1 d0 ?", "0 -1 r1 d0 ?",
                                       "5 -1 r2 d1"}));
        window.Command(2003);  // past the three listed: stale
        EXPECT_EQ(Tick(70), "5 -1 r1 d0");
        OpenMenu(2001);  // "_Total" returns to the processor
        EXPECT_EQ(Ticks(2, 70), (Lines{"5 -1 r1 d0", "7 -1 r1 d1"}));
    });
}

// A process of a name binds the last of that name; ids past the menu's
// range do nothing; a process gone since the menu opened is reported and the
// processor watched instead.
TEST_F(Meter, AProcessChoiceBindsTheLastOfItsName) {
    for (int i = 0; i < 1002; ++i) {
        m_processes.push_back({"p" + std::to_string(i), i == 1000 ? 40 : 80});
    }
    m_processes[0] = {"svchost", 20};
    m_processes[1] = {"svchost", 60};
    Run([&](CGaugeletDlg&) {
        OpenMenu(2000);
        EXPECT_EQ(window.m_trackedProcessItems.size(), 1002u);
        EXPECT_EQ(window.m_trackedProcessItems.back(), "3001 p1001");
        EXPECT_EQ(Ticks(2, 0), (Lines{"-1 -1 r1 d0", "6 -1 r1 d1"}));
        OpenMenu(3000);
        window.Command(3001);
        EXPECT_EQ(Ticks(2, 0), (Lines{"6 -1 r1 d0", "4 -1 r1 d1"}));
        window.m_choose = [&] {
            m_processes.erase(m_processes.begin() + 999);
            return 2999u;
        };
        window.Send(win32::kWmRButtonUp);
        EXPECT_EQ(window.m_boxes, Lines{meter::kNotUsableQuery});
        EXPECT_EQ(Ticks(2, 90), (Lines{"4 -1 r1 d0", "9 -1 r1 d1"}));
    });
}

// A process may use every processor: up to that its load is the last frame;
// past it no process can be, and the tick shows nothing new.
TEST_F(Meter, AProcessOnSeveralProcessorsShowsTheLastFrame) {
    m_processors = 2;
    m_processes = {{"render", 150}};
    Store({{"Desktop", 1}});
    Run([&](CGaugeletDlg&) {
        OpenMenu(2000);
        Lines shown;
        for (const int percent : {150, 150, 40, 250, 200}) {
            m_processes[0].percent = percent;
            shown.push_back(Tick(0));
        }
        EXPECT_EQ(shown, (Lines{"-1 -1 r1 d0", "11 11 r1 d2", "4 4 r1 d2", "4 4 r1 d0", "11 11 r2 d2"}));
    });
}

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

// A drag moves the window with the cursor once it is more than 2 pixels at
// 96 dpi from where the button went down or the window last moved.
TEST_F(Meter, ADragMovesTheWindowOncePastTwoPixelsFromItsAnchor) {
    const struct {
        std::uint32_t message;
        int x, y, left, top;  // at 96 dpi
        bool held;
    } steps[] = {
        {win32::kWmMouseMove, 90, 90, 40, 60, false},  // no drag yet
        {win32::kWmLButtonDown, 100, 100, 40, 60, true},
        {win32::kWmLButtonDown, 110, 110, 40, 60, true},  // the anchor stays
        {win32::kWmMouseMove, 102, 98, 40, 60, true},
        {win32::kWmMouseMove, 103, 98, 43, 58, true},
        {win32::kWmMouseMove, 101, 98, 43, 58, true},  // from the new anchor
        {win32::kWmMouseMove, 100, 98, 40, 58, true},
        {win32::kWmLButtonUp, 100, 98, 40, 58, false},
        {win32::kWmMouseMove, 0, 0, 40, 58, false},
    };
    for (const int scale : {1, 2}) {
        window.m_dpi = 96 * scale;
        Run([&](CGaugeletDlg&) {
            window.m_rect = {40 * scale, 60 * scale, 40 * scale + 20, 60 * scale + 20};
            for (const auto& step : steps) {
                window.m_cursor = {step.x * scale, step.y * scale};
                window.Send(step.message);
                EXPECT_EQ(std::tuple(window.m_rect.left, window.m_rect.top, window.m_captured),
                          std::tuple(step.left * scale, step.top * scale, step.held))
                    << "at " << step.x << "," << step.y << " x" << scale;
            }
            EXPECT_EQ(window.m_zOrder.size(), 1u);
        });
    }
}

// The last display on stays on. Exit and the end of the session store the
// settings, a cancelled end does not; the next start reads them back.
TEST_F(Meter, SettingsAreStoredOnExitAndSessionEndAndReadBack) {
    Run([&](CGaugeletDlg&) {
        window.Command(meter::kCmdDisplayOnTaskbar);
        window.Command(win32::kIdCancel);
        window.Send(win32::kWmEndSession, 0);
        EXPECT_EQ(window.m_endResult, -1);
        EXPECT_EQ(registry.WriteCount(), 0);
        window.Send(win32::kWmEndSession, 1);
        EXPECT_EQ(registry.WriteCount(), 7);
        for (std::uint32_t id : {meter::kCmdDisplayOnDesktop, meter::kCmdDisplayOnTaskbar,
                                 meter::kCmdDisplayOnDesktop, meter::kCmdAlwaysOnTop,
                                 meter::kCmdAlwaysOnTop, meter::kCmdAlwaysOnTop}) {
            window.Command(id);
        }
        EXPECT_EQ(window.m_zOrder, (std::vector<InsertAfter>{InsertAfter::kTop, InsertAfter::kTopMost,
                                                             InsertAfter::kNoTopMost,
                                                             InsertAfter::kTopMost}));
        window.m_rect = {-30, 5, -10, 25};  // on a screen left of the main one
        window.Command(meter::kCmdExit);
        EXPECT_EQ(window.m_endResult, win32::kIdOk);
    });
    EXPECT_EQ(registry.WriteCount(), 14);
    window.m_screen.left = -1024;
    Run([&](CGaugeletDlg&) {
        window.Tick();
        EXPECT_EQ(TrayIcon(), nullptr);
        EXPECT_TRUE(window.m_visible);
        EXPECT_EQ(WindowAt(), "-30,5 20x20");
        EXPECT_EQ(window.m_zOrder, std::vector<InsertAfter>{InsertAfter::kTopMost});
    });
}

}  // namespace

#include "tests/app/meter_fixture.h"

namespace {

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

}  // namespace

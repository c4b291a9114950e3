#include "app/command_line.h"
#include "tests/app/meter_fixture.h"

namespace {

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
    Answering("\\\\box", "4.0");
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

}  // namespace

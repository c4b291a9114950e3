#include <tuple>

#include "tests/app/meter_fixture.h"

namespace {

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

#include "tests/app/meter_fixture.h"

namespace {

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

}  // namespace

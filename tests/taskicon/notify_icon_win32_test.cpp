// The real notification area: Wine's system tray under a display.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_pixels.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system.h"
#include "taskicon/task_icon.h"

namespace {

TEST(NotifyIconUnderWine, AddChangeAndRemoveTheRealIcon) {
    Win32Pixels pixels;
    Win32Shell shell;
    Win32System system;
    SetPixels(&pixels);
    SetShell(&shell);
    SetSystem(&system);
    RegisterTaskIconMessage();
    ASSERT_NE(g_uTaskIconNotifyMsg, 0u);

    const HWND owner = CreateWindowExA(0, "STATIC", "gaugelet-tray-test", WS_POPUP, 0, 0, 10, 10,
                                       nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    {
        CTaskIcon icon;
        ASSERT_TRUE(icon.LoadFrames(130));
        EXPECT_EQ(icon.GetTip(), "taskicon_notify_win32");
        const WindowHandle window = reinterpret_cast<WindowHandle>(owner);
        ASSERT_TRUE(icon.Add(window, icon.GetFrameIcon(0), 0xFFFFFFFFu, "Gaugelet test"));
        EXPECT_TRUE(icon.SetIcon(icon.GetFrameIcon(11)));
        EXPECT_TRUE(icon.SetTip(std::string(100, 'x')));
        icon.Remove();
        EXPECT_FALSE(icon.SetTip("after removal")) << "the shell no longer knows the icon";
        EXPECT_TRUE(icon.Add(window, 0, 0xFFFFFFFFu));
    }
    DestroyWindow(owner);
    SetPixels(nullptr);
    SetShell(nullptr);
    SetSystem(nullptr);
}

}  // namespace

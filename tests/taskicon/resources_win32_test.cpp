// The program's own resources as the system reads them back.
#include <windows.h>

#include <gtest/gtest.h>

#include "res/resource_ids.h"

namespace {

INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(Resources, DialogAndIconLoadAsDescribed) {
    const HINSTANCE module = GetModuleHandleA(nullptr);
    const HICON large = static_cast<HICON>(
        LoadImageA(module, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, 32, 32, 0));
    const HICON small = static_cast<HICON>(
        LoadImageA(module, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(large, nullptr);
    ASSERT_NE(small, nullptr);
    DestroyIcon(large);
    DestroyIcon(small);

    const HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_GAUGELET_DIALOG), nullptr,
                                           IgnoreMessages, 0);
    ASSERT_NE(dialog, nullptr) << "error " << GetLastError();
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE));
    EXPECT_NE(style & WS_POPUP, 0u);
    EXPECT_EQ(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME), 0u);
    EXPECT_NE(exStyle & WS_EX_TOOLWINDOW, 0u);
    EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0u);
    const HWND meter = GetDlgItem(dialog, IDC_METER);
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(meter, GWL_STYLE)) & SS_TYPEMASK,
              static_cast<DWORD>(SS_ICON));
    DestroyWindow(dialog);
}

}  // namespace

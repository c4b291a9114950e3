// The window seam over USER32, GDI32 and COMDLG32: one modal dialog and its
// message loop, and the services its handlers call.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "platform/window_api.h"

class Win32Window : public WindowApi {
public:
    // The module whose resources hold the dialog template and the icons.
    explicit Win32Window(HINSTANCE instance);
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;
    ~Win32Window() override;

    std::intptr_t RunModalDialog(std::uint32_t templateId, DialogSink& sink) override;
    void EndDialog(WindowHandle window, std::intptr_t result) override;
    void SetWindowTitle(WindowHandle window, const std::string& text) override;
    std::uint32_t GetExStyle(WindowHandle window) override;
    void SetExStyle(WindowHandle window, std::uint32_t exStyle) override;
    bool OffersLayeredWindows() override;
    bool SetLayeredAttributes(WindowHandle window, ColorRef key, std::uint8_t alpha,
                              std::uint32_t flags) override;
    void SetIcon(WindowHandle window, std::uint32_t which, IconHandle icon) override;
    void SetWindowPos(WindowHandle window, InsertAfter insertAfter, std::int32_t x,
                      std::int32_t y, std::int32_t width, std::int32_t height,
                      std::uint32_t flags) override;
    void ShowWindow(WindowHandle window, bool show) override;
    bool IsVisible(WindowHandle window) override;
    bool IsMinimised(WindowHandle window) override;
    WindowRect GetWindowRect(WindowHandle window) override;
    WindowRect GetClientRect(WindowHandle window) override;
    MonitorFit FitToMonitors(const WindowRect& rect) override;
    void SetTimer(WindowHandle window, std::uint32_t id, std::uint32_t periodMs) override;
    void KillTimer(WindowHandle window, std::uint32_t id) override;
    ScreenPoint GetCursorPos() override;
    void SetCapture(WindowHandle window) override;
    void ReleaseCapture() override;
    MenuHandle CreatePopupMenu() override;
    void AppendMenuItem(MenuHandle menu, std::uint32_t id, const std::string& text) override;
    void AppendPopup(MenuHandle menu, MenuHandle popup, const std::string& text) override;
    void CheckMenuItem(MenuHandle menu, std::uint32_t id, bool checked) override;
    void TrackPopupMenu(MenuHandle menu, ScreenPoint at, WindowHandle owner) override;
    void DestroyMenu(MenuHandle menu) override;
    void SetForegroundWindow(WindowHandle window) override;
    void PostWindowMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override;
    IconHandle LoadAppIcon(std::uint32_t resourceId) override;
    IconHandle GetStaticIcon(WindowHandle dialog, int controlId) override;
    void SetStaticIcon(WindowHandle dialog, int controlId, IconHandle icon) override;
    PaintHandle BeginPaint(WindowHandle window) override;
    void SendIconEraseBackground(WindowHandle window, PaintHandle paint) override;
    void DrawIcon(PaintHandle paint, std::int32_t x, std::int32_t y, IconHandle icon) override;
    void EndPaint(WindowHandle window, PaintHandle paint) override;
    ColorRef GetSysColor(int index) override;
    int GetSystemMetric(int index) override;
    int GetWindowDpi(WindowHandle window) override;
    int GetNotifyIconSize() override;
    int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                       std::uint32_t style) override;
    bool OpenFileDialog(const std::string& defaultExtension, const std::string& initialName,
                        std::uint32_t flags, std::string& path) override;

private:
    using SetLayeredFunction = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    using MonitorFromRectFunction = HMONITOR(WINAPI*)(LPCRECT, DWORD);
    using MonitorFromPointFunction = HMONITOR(WINAPI*)(POINT, DWORD);
    using GetMonitorInfoFunction = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
    using GetOpenFileNameFunction = BOOL(WINAPI*)(LPOPENFILENAMEA);

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    // The USER32 functions that older systems lack (95, NT 4.0; the DPI
    // ones everything before Windows 10), found by name.
    void LookUpOptionalFunctions();
    GetOpenFileNameFunction LookUpFileDialog();

    struct DialogRun {
        bool ended = false;
        std::intptr_t result = 0;
    };

    HINSTANCE m_instance;
    // The running dialog owns the file dialog.
    HWND m_dialog = nullptr;
    DialogSink* m_sink = nullptr;
    DialogRun* m_run = nullptr;
    // USER32 stays loaded while the functions found in it may be called.
    HMODULE m_user32 = nullptr;
    SetLayeredFunction m_setLayered = nullptr;
    MonitorFromRectFunction m_monitorFromRect = nullptr;
    MonitorFromPointFunction m_monitorFromPoint = nullptr;
    GetMonitorInfoFunction m_getMonitorInfo = nullptr;
    GetDpiForWindowFunction m_getDpiForWindow = nullptr;
    GetSystemMetricsForDpiFunction m_getSystemMetricsForDpi = nullptr;
    bool m_optionalLookedUp = false;
    // COMDLG32 stays loaded once the file dialog has opened.
    HMODULE m_comdlg32 = nullptr;
    GetOpenFileNameFunction m_getOpenFileName = nullptr;
    // The one paint in progress: BeginPaint fills it, EndPaint gives it back.
    PAINTSTRUCT m_paint;
};

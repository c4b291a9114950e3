// The window seam: the dialog, window state, timer, mouse, menu, icon,
// message-box and file-dialog services the meter window relies on.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"
#include "platform/win32_abi.h"

using MenuHandle = std::uintptr_t;   // HMENU
using PaintHandle = std::uintptr_t;  // HDC of a paint

struct ScreenPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct WindowRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Where a rectangle lies among the monitors: whether its middle lies on one
// of them (anywhere on it, the taskbar's part too), and the work area of the
// monitor nearest to it.
struct MonitorFit {
    bool visible = false;
    WindowRect nearestWorkArea;
};

// Where SetWindowPos puts the window in the stacking order.
enum class InsertAfter { kTop, kTopMost, kNoTopMost };

// The receiver of a modal dialog's messages. True when the message was
// handled, with its result; false sends it on to default processing.
class DialogSink {
public:
    virtual ~DialogSink() = default;
    virtual void Attach(WindowHandle window) = 0;
    virtual bool Receive(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                         std::intptr_t& result) = 0;
};

class WindowApi {
public:
    virtual ~WindowApi() = default;

    // Creates the dialog from its template and runs the one message loop
    // until EndDialog; the dialog's result.
    virtual std::intptr_t RunModalDialog(std::uint32_t templateId, DialogSink& sink) = 0;
    virtual void EndDialog(WindowHandle window, std::intptr_t result) = 0;

    virtual void SetWindowTitle(WindowHandle window, const std::string& text) = 0;
    virtual std::uint32_t GetExStyle(WindowHandle window) = 0;
    virtual void SetExStyle(WindowHandle window, std::uint32_t exStyle) = 0;
    // SetLayeredWindowAttributes is looked up at run time: the system may
    // not offer it.
    virtual bool OffersLayeredWindows() = 0;
    virtual bool SetLayeredAttributes(WindowHandle window, ColorRef key, std::uint8_t alpha,
                                      std::uint32_t flags) = 0;
    virtual void SetIcon(WindowHandle window, std::uint32_t which, IconHandle icon) = 0;
    virtual void SetWindowPos(WindowHandle window, InsertAfter insertAfter, std::int32_t x,
                              std::int32_t y, std::int32_t width, std::int32_t height,
                              std::uint32_t flags) = 0;
    virtual void ShowWindow(WindowHandle window, bool show) = 0;
    virtual bool IsVisible(WindowHandle window) = 0;
    virtual bool IsMinimised(WindowHandle window) = 0;
    // Screen coordinates, also for a hidden window.
    virtual WindowRect GetWindowRect(WindowHandle window) = 0;
    virtual WindowRect GetClientRect(WindowHandle window) = 0;
    virtual MonitorFit FitToMonitors(const WindowRect& rect) = 0;

    virtual void SetTimer(WindowHandle window, std::uint32_t id, std::uint32_t periodMs) = 0;
    virtual void KillTimer(WindowHandle window, std::uint32_t id) = 0;

    virtual ScreenPoint GetCursorPos() = 0;
    virtual void SetCapture(WindowHandle window) = 0;
    virtual void ReleaseCapture() = 0;

    virtual MenuHandle CreatePopupMenu() = 0;
    virtual void AppendMenuItem(MenuHandle menu, std::uint32_t id, const std::string& text) = 0;
    virtual void AppendPopup(MenuHandle menu, MenuHandle popup, const std::string& text) = 0;
    virtual void CheckMenuItem(MenuHandle menu, std::uint32_t id, bool checked) = 0;
    // Returns when the menu closes; a chosen item reaches the owner as a
    // command message.
    virtual void TrackPopupMenu(MenuHandle menu, ScreenPoint at, WindowHandle owner) = 0;
    virtual void DestroyMenu(MenuHandle menu) = 0;
    virtual void SetForegroundWindow(WindowHandle window) = 0;
    virtual void PostWindowMessage(WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, std::intptr_t lParam) = 0;

    // The shared icon resource of the program; never destroyed.
    virtual IconHandle LoadAppIcon(std::uint32_t resourceId) = 0;
    // STM_GETICON and STM_SETICON of a dialog's static control.
    virtual IconHandle GetStaticIcon(WindowHandle dialog, int controlId) = 0;
    virtual void SetStaticIcon(WindowHandle dialog, int controlId, IconHandle icon) = 0;
    virtual PaintHandle BeginPaint(WindowHandle window) = 0;
    virtual void SendIconEraseBackground(WindowHandle window, PaintHandle paint) = 0;
    virtual void DrawIcon(PaintHandle paint, std::int32_t x, std::int32_t y, IconHandle icon) = 0;
    virtual void EndPaint(WindowHandle window, PaintHandle paint) = 0;
    virtual ColorRef GetSysColor(int index) = 0;
    virtual int GetSystemMetric(int index) = 0;
    // The DPI of the monitor that shows the window, or the system's where
    // the system knows no other.
    virtual int GetWindowDpi(WindowHandle window) = 0;
    // The small-icon size at the DPI of the monitor that shows the
    // notification area.
    virtual int GetNotifyIconSize() = 0;

    // Modal, owned by the window; the button pressed.
    virtual int ShowMessageBox(WindowHandle owner, const std::string& text,
                               const std::string& caption, std::uint32_t style) = 0;
    // An open-file dialog; true with the chosen file's full path on OK.
    virtual bool OpenFileDialog(const std::string& defaultExtension,
                                const std::string& initialName, std::uint32_t flags,
                                std::string& path) = 0;
};

WindowApi& Window();
void SetWindow(WindowApi* window);

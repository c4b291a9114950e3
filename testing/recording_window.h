// A window layer in memory that remembers every effect the meter asks for and
// lets a test deliver messages, choose menu items and answer the file dialog.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/window_api.h"

class RecordingWindow : public WindowApi {
public:
    struct Monitor {
        WindowRect area;
        WindowRect workArea;
    };
    struct Placement {
        InsertAfter insertAfter;
        std::int32_t x, y, width, height;
        std::uint32_t flags;
    };
    struct MenuItem {
        std::uint32_t id = 0;  // 0 for a pop-up
        std::string text;
        bool checked = false;
        MenuHandle popup = 0;
    };
    struct Box {
        std::string text, caption;
        std::uint32_t style;
    };

    static constexpr WindowHandle kDialog = 0x5000;
    static constexpr IconHandle kAppIcon = 0x7700;

    std::intptr_t RunModalDialog(std::uint32_t templateId, DialogSink& sink) override;
    void EndDialog(WindowHandle window, std::intptr_t result) override;
    void SetWindowTitle(WindowHandle, const std::string& text) override { m_title = text; }
    std::uint32_t GetExStyle(WindowHandle) override { return m_exStyle; }
    void SetExStyle(WindowHandle, std::uint32_t exStyle) override { m_exStyle = exStyle; }
    bool OffersLayeredWindows() override { return m_offersLayered; }
    bool SetLayeredAttributes(WindowHandle, ColorRef key, std::uint8_t alpha,
                              std::uint32_t flags) override;
    void SetIcon(WindowHandle, std::uint32_t, IconHandle) override {}
    void SetWindowPos(WindowHandle, InsertAfter insertAfter, std::int32_t x, std::int32_t y,
                      std::int32_t width, std::int32_t height, std::uint32_t flags) override;
    void ShowWindow(WindowHandle, bool show) override { m_visible = show; }
    bool IsVisible(WindowHandle) override { return m_visible; }
    bool IsMinimised(WindowHandle) override { return false; }
    WindowRect GetWindowRect(WindowHandle) override { return m_rect; }
    MonitorFit FitToMonitors(const WindowRect& rect) override;
    WindowRect GetClientRect(WindowHandle) override;
    void SetTimer(WindowHandle, std::uint32_t id, std::uint32_t periodMs) override;
    void KillTimer(WindowHandle, std::uint32_t id) override;
    ScreenPoint GetCursorPos() override { return m_cursor; }
    void SetCapture(WindowHandle) override { m_captured = true; }
    void ReleaseCapture() override { m_captured = false; }
    MenuHandle CreatePopupMenu() override;
    void AppendMenuItem(MenuHandle menu, std::uint32_t id, const std::string& text) override;
    void AppendPopup(MenuHandle menu, MenuHandle popup, const std::string& text) override;
    void CheckMenuItem(MenuHandle menu, std::uint32_t id, bool checked) override;
    void TrackPopupMenu(MenuHandle menu, ScreenPoint at, WindowHandle owner) override;
    void DestroyMenu(MenuHandle menu) override;
    void SetForegroundWindow(WindowHandle) override { ++m_foregroundCalls; }
    void PostWindowMessage(WindowHandle, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override;
    IconHandle LoadAppIcon(std::uint32_t) override { return kAppIcon; }
    IconHandle GetStaticIcon(WindowHandle, int controlId) override;
    void SetStaticIcon(WindowHandle, int controlId, IconHandle icon) override;
    PaintHandle BeginPaint(WindowHandle) override { return 0x9000; }
    void SendIconEraseBackground(WindowHandle, PaintHandle) override {}
    void DrawIcon(PaintHandle, std::int32_t, std::int32_t, IconHandle) override {}
    void EndPaint(WindowHandle, PaintHandle) override {}
    ColorRef GetSysColor(int) override { return m_buttonFace; }
    int GetSystemMetric(int) override { return 32; }
    int GetWindowDpi(WindowHandle) override { return m_dpi; }
    int GetNotifyIconSize() override { return m_notifyIconSize; }
    int ShowMessageBox(WindowHandle, const std::string& text, const std::string& caption,
                       std::uint32_t style) override;
    bool OpenFileDialog(const std::string& defaultExtension, const std::string& initialName,
                        std::uint32_t flags, std::string& path) override;

    // Delivers a message as the loop would, then whatever it posted.
    std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    void Tick() { Send(win32::kWmTimer, 1); }
    void Command(std::uint32_t id) { Send(win32::kWmCommand, id); }
    // The items of a menu and, for a pop-up, of its submenu.
    std::vector<MenuItem> Items(MenuHandle menu) const;
    int LiveMenus() const { return static_cast<int>(m_menus.size()); }

    // Runs inside RunModalDialog after WM_INITDIALOG. The file dialog is always cancelled.
    std::function<void(RecordingWindow&)> m_script;
    // Answers a tracked menu with an item id, or 0 for none.
    std::function<std::uint32_t(const std::vector<MenuItem>& items,
                                const std::vector<MenuItem>& processItems)>
        m_chooseFromMenu;

    bool m_offersLayered = true;
    ColorRef m_buttonFace = 0xF5F5F5;
    ScreenPoint m_cursor;
    WindowRect m_rect{0, 0, 36, 37};
    int m_dpi = 96;
    int m_notifyIconSize = 16;

    std::string m_title;
    std::uint32_t m_exStyle = 0x00040080;  // the template's tool and app window
    std::vector<std::uint32_t> m_layeredCalls;  // colour key, alpha, flags
    std::vector<Placement> m_placements;
    std::vector<Monitor> m_monitors = {{{0, 0, 1024, 768}, {0, 0, 1024, 740}}};
    bool m_visible = true;
    std::map<std::uint32_t, std::uint32_t> m_timers;  // id -> period
    std::vector<std::string> m_timerLog;
    bool m_captured = false;
    int m_foregroundCalls = 0;
    int m_badMenuReleases = 0;
    std::vector<MenuItem> m_trackedItems;
    std::vector<MenuItem> m_trackedProcessItems;
    ScreenPoint m_trackedAt;
    int m_tracks = 0;
    std::map<int, IconHandle> m_staticIcons;
    std::vector<Box> m_boxes;
    std::vector<std::string> m_fileRequests;  // default extensions
    bool m_ended = false;
    std::intptr_t m_endResult = -1;
    int m_nulls = 0;

private:
    struct Posted {
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    DialogSink* m_sink = nullptr;
    int m_depth = 0;
    std::deque<Posted> m_posted;
    std::map<MenuHandle, std::vector<MenuItem>> m_menus;
    MenuHandle m_nextMenu = 0x3000;
};

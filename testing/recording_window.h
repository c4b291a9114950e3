// A window layer in memory: it keeps what the meter asked of its window and
// lets a test deliver messages and choose from the menu.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/window_api.h"

class RecordingWindow : public WindowApi {
public:
    static constexpr WindowHandle kDialog = 0x5000;
    using Items = std::vector<std::string>;  // "id text", " *" when checked, " >" for a pop-up

    // Each run is a new window, shown as its template is.
    std::intptr_t RunModalDialog(std::uint32_t, DialogSink& sink) override {
        m_sink = &sink;
        m_visible = true;
        m_zOrder.clear();
        m_boxes.clear();
        sink.Attach(kDialog);
        Send(win32::kWmInitDialog);
        m_script(*this);
        Send(win32::kWmDestroy);
        m_timers.clear();
        return m_endResult;
    }
    void EndDialog(WindowHandle, std::intptr_t result) override { m_endResult = result; }
    std::uint32_t GetExStyle(WindowHandle) override { return m_exStyle; }
    void SetExStyle(WindowHandle, std::uint32_t exStyle) override { m_exStyle = exStyle; }
    bool OffersLayeredWindows() override { return m_offersLayered; }
    bool SetLayeredAttributes(WindowHandle, ColorRef, std::uint8_t, std::uint32_t) override {
        return m_offersLayered;
    }
    void SetWindowPos(WindowHandle, InsertAfter insertAfter, std::int32_t x, std::int32_t y,
                      std::int32_t width, std::int32_t height, std::uint32_t flags) override {
        if ((flags & win32::kSwpNoZOrder) == 0) {
            m_zOrder.push_back(insertAfter);
        }
        if ((flags & win32::kSwpNoMove) != 0) {
            x = m_rect.left;
            y = m_rect.top;
        }
        if ((flags & win32::kSwpNoSize) != 0) {
            width = m_rect.right - m_rect.left;
            height = m_rect.bottom - m_rect.top;
        }
        m_rect = {x, y, x + width, y + height};
    }
    void ShowWindow(WindowHandle, bool show) override { m_visible = show; }
    bool IsVisible(WindowHandle) override { return m_visible; }
    WindowRect GetWindowRect(WindowHandle) override { return m_rect; }
    // One screen, with a taskbar below its work area.
    MonitorFit FitToMonitors(const WindowRect& r) override {
        const std::int64_t x = (std::int64_t{r.left} + r.right) / 2, y = (std::int64_t{r.top} + r.bottom) / 2;
        return {x >= m_screen.left && x < m_screen.right && y >= m_screen.top && y < m_screen.bottom,
                {0, 0, 1024, 740}};
    }
    void SetTimer(WindowHandle, std::uint32_t id, std::uint32_t ms) override { m_timers[id] = ms; }
    void KillTimer(WindowHandle, std::uint32_t id) override { m_timers.erase(id); }
    ScreenPoint GetCursorPos() override { return m_cursor; }
    void SetCapture(WindowHandle) override { m_captured = true; }
    void ReleaseCapture() override { m_captured = false; }
    MenuHandle CreatePopupMenu() override { return m_menus.try_emplace(++m_lastMenu).first->first; }
    void AppendMenuItem(MenuHandle menu, std::uint32_t id, const std::string& text) override {
        m_menus.at(menu).push_back(std::to_string(id) + " " + text);
    }
    void AppendPopup(MenuHandle menu, MenuHandle popup, const std::string& text) override {
        m_menus.at(menu).push_back("0 " + text + " >");
        m_popupOf[menu] = popup;
    }
    void CheckMenuItem(MenuHandle menu, std::uint32_t id, bool checked) override {
        for (std::string& item : m_menus.at(menu)) {
            item += checked && item.rfind(std::to_string(id) + " ", 0) == 0 ? " *" : "";
        }
    }
    void TrackPopupMenu(MenuHandle menu, ScreenPoint, WindowHandle) override {
        m_trackedItems = m_menus.at(menu);
        const auto popup = m_popupOf.find(menu);
        m_trackedProcessItems = popup == m_popupOf.end() ? Items() : m_menus.at(popup->second);
        if (const std::uint32_t chosen = m_choose ? m_choose() : 0) {
            m_posted.emplace_back(win32::kWmCommand, chosen, 0);
        }
    }
    void DestroyMenu(MenuHandle menu) override {
        m_badMenuReleases += m_menus.erase(menu) == 0 ? 1 : 0;
        if (auto popup = m_popupOf.extract(menu); !popup.empty()) {
            DestroyMenu(popup.mapped());
        }
    }
    void PostWindowMessage(WindowHandle, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override {
        m_posted.emplace_back(message, wParam, lParam);
    }
    IconHandle LoadAppIcon(std::uint32_t) override { return 0x7700; }
    IconHandle GetStaticIcon(WindowHandle, int id) override { return m_staticIcons[id]; }
    void SetStaticIcon(WindowHandle, int id, IconHandle icon) override { m_staticIcons[id] = icon; }
    int GetWindowDpi(WindowHandle) override { return m_dpi; }
    int GetNotifyIconSize() override { return m_notifyIconSize; }
    int ShowMessageBox(WindowHandle, const std::string& text, const std::string&,
                       std::uint32_t) override {
        m_boxes.push_back(text);
        return static_cast<int>(win32::kIdOk);
    }
    // Always cancelled.
    bool OpenFileDialog(const std::string&, const std::string&, std::uint32_t,
                        std::string&) override {
        ++m_fileDialogs;
        return false;
    }
    // Nothing a test reads: the system's answers and what only shows on screen.
    void SetWindowTitle(WindowHandle, const std::string&) override {}
    void SetIcon(WindowHandle, std::uint32_t, IconHandle) override {}
    bool IsMinimised(WindowHandle) override { return false; }
    WindowRect GetClientRect(WindowHandle) override { return {}; }
    void SetForegroundWindow(WindowHandle) override {}
    PaintHandle BeginPaint(WindowHandle) override { return 0; }
    void SendIconEraseBackground(WindowHandle, PaintHandle) override {}
    void DrawIcon(PaintHandle, std::int32_t, std::int32_t, IconHandle) override {}
    void EndPaint(WindowHandle, PaintHandle) override {}
    ColorRef GetSysColor(int) override { return 0xF5F5F5; }
    int GetSystemMetric(int) override { return 32; }

    // Delivers a message as the loop would, then whatever was posted.
    void Send(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
        std::intptr_t ignored = 0;
        m_sink->Receive(message, wParam, lParam, ignored);
        for (; !m_posted.empty(); m_posted.pop_front()) {
            const auto [posted, postedW, postedL] = m_posted.front();
            m_sink->Receive(posted, postedW, postedL, ignored);
        }
    }
    void Tick() { Send(win32::kWmTimer, 1); }
    void Command(std::uint32_t id) { Send(win32::kWmCommand, id); }

    std::function<void(RecordingWindow&)> m_script;  // run after WM_INITDIALOG
    std::function<std::uint32_t()> m_choose;         // while a menu is tracked: the item, or 0

    bool m_offersLayered = true;
    WindowRect m_screen{0, 0, 1024, 768};
    ScreenPoint m_cursor;
    WindowRect m_rect;
    int m_dpi = 96;
    int m_notifyIconSize = 16;
    std::uint32_t m_exStyle = 0x00040080;  // the template's tool and app window
    std::vector<InsertAfter> m_zOrder;     // of every placement that set it
    bool m_visible = true;
    bool m_captured = false;
    std::map<std::uint32_t, std::uint32_t> m_timers;  // id -> period
    std::map<MenuHandle, Items> m_menus;
    Items m_trackedItems, m_trackedProcessItems;
    int m_badMenuReleases = 0;  // menus destroyed twice or never made
    std::map<int, IconHandle> m_staticIcons;
    std::vector<std::string> m_boxes;
    int m_fileDialogs = 0;
    std::intptr_t m_endResult = -1;

private:
    DialogSink* m_sink = nullptr;
    std::map<MenuHandle, MenuHandle> m_popupOf;
    std::deque<std::tuple<std::uint32_t, std::uintptr_t, std::intptr_t>> m_posted;
    MenuHandle m_lastMenu = 0x3000;
};

#include "testing/recording_window.h"

#include <algorithm>

std::intptr_t RecordingWindow::RunModalDialog(std::uint32_t, DialogSink& sink) {
    m_sink = &sink;
    m_ended = false;
    sink.Attach(kDialog);
    Send(win32::kWmInitDialog);
    if (m_script) {
        m_script(*this);
    }
    Send(win32::kWmDestroy);
    m_timers.clear();
    m_sink = nullptr;
    return m_endResult;
}

void RecordingWindow::EndDialog(WindowHandle, std::intptr_t result) {
    m_ended = true;
    m_endResult = result;
}

bool RecordingWindow::SetLayeredAttributes(WindowHandle, ColorRef key, std::uint8_t alpha,
                                           std::uint32_t flags) {
    m_layeredCalls = {key, alpha, flags};
    return m_offersLayered;
}

MonitorFit RecordingWindow::FitToMonitors(const WindowRect& rect) {
    MonitorFit fit;
    std::int64_t nearest = -1;
    for (const Monitor& monitor : m_monitors) {
        const WindowRect& a = monitor.area;
        const std::int64_t dx = std::max<std::int64_t>(
            {0, std::int64_t{a.left} - rect.right, std::int64_t{rect.left} - a.right});
        const std::int64_t dy = std::max<std::int64_t>(
            {0, std::int64_t{a.top} - rect.bottom, std::int64_t{rect.top} - a.bottom});
        fit.visible = fit.visible || (std::max(a.left, rect.left) < std::min(a.right, rect.right) &&
                                      std::max(a.top, rect.top) < std::min(a.bottom, rect.bottom));
        if (nearest < 0 || dx + dy < nearest) {
            nearest = dx + dy;
            fit.nearestWorkArea = monitor.workArea;
        }
    }
    return fit;
}

void RecordingWindow::SetWindowPos(WindowHandle, InsertAfter insertAfter, std::int32_t x,
                                   std::int32_t y, std::int32_t width, std::int32_t height,
                                   std::uint32_t flags) {
    m_placements.push_back({insertAfter, x, y, width, height, flags});
    if ((flags & win32::kSwpNoMove) == 0) {
        const std::int32_t w = m_rect.right - m_rect.left;
        const std::int32_t h = m_rect.bottom - m_rect.top;
        m_rect = {x, y, x + w, y + h};
    }
    if ((flags & win32::kSwpNoSize) == 0) {
        m_rect.right = m_rect.left + width;
        m_rect.bottom = m_rect.top + height;
    }
}

WindowRect RecordingWindow::GetClientRect(WindowHandle) {
    return {0, 0, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top};
}

void RecordingWindow::SetTimer(WindowHandle, std::uint32_t id, std::uint32_t periodMs) {
    m_timers[id] = periodMs;
    m_timerLog.push_back("set " + std::to_string(id) + " " + std::to_string(periodMs));
}

void RecordingWindow::KillTimer(WindowHandle, std::uint32_t id) {
    m_timers.erase(id);
    m_timerLog.push_back("kill " + std::to_string(id));
}

MenuHandle RecordingWindow::CreatePopupMenu() {
    const MenuHandle menu = ++m_nextMenu;
    m_menus[menu];
    return menu;
}

void RecordingWindow::AppendMenuItem(MenuHandle menu, std::uint32_t id, const std::string& text) {
    m_menus.at(menu).push_back({id, text, false, 0});
}

void RecordingWindow::AppendPopup(MenuHandle menu, MenuHandle popup, const std::string& text) {
    m_menus.at(menu).push_back({0, text, false, popup});
}

void RecordingWindow::CheckMenuItem(MenuHandle menu, std::uint32_t id, bool checked) {
    for (MenuItem& item : m_menus.at(menu)) {
        if (item.id == id) {
            item.checked = checked;
        }
    }
}

std::vector<RecordingWindow::MenuItem> RecordingWindow::Items(MenuHandle menu) const {
    const auto found = m_menus.find(menu);
    return found == m_menus.end() ? std::vector<MenuItem>() : found->second;
}

void RecordingWindow::TrackPopupMenu(MenuHandle menu, ScreenPoint at, WindowHandle) {
    ++m_tracks;
    m_trackedAt = at;
    m_trackedItems = Items(menu);
    m_trackedProcessItems.clear();
    for (const MenuItem& item : m_trackedItems) {
        if (item.popup != 0) {
            m_trackedProcessItems = Items(item.popup);
        }
    }
    const std::uint32_t chosen =
        m_chooseFromMenu ? m_chooseFromMenu(m_trackedItems, m_trackedProcessItems) : 0;
    if (chosen != 0) {
        m_posted.push_back({win32::kWmCommand, chosen, 0});
    }
}

void RecordingWindow::DestroyMenu(MenuHandle menu) {
    const auto found = m_menus.find(menu);
    if (found == m_menus.end()) {
        ++m_badMenuReleases;
        return;
    }
    std::vector<MenuItem> items = found->second;
    m_menus.erase(found);
    for (const MenuItem& item : items) {
        if (item.popup != 0) {
            DestroyMenu(item.popup);
        }
    }
}

void RecordingWindow::PostWindowMessage(WindowHandle, std::uint32_t message,
                                        std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == win32::kWmNull) {
        ++m_nulls;
        return;
    }
    m_posted.push_back({message, wParam, lParam});
}

IconHandle RecordingWindow::GetStaticIcon(WindowHandle, int controlId) {
    const auto found = m_staticIcons.find(controlId);
    return found == m_staticIcons.end() ? 0 : found->second;
}

void RecordingWindow::SetStaticIcon(WindowHandle, int controlId, IconHandle icon) {
    m_staticIcons[controlId] = icon;
}

int RecordingWindow::ShowMessageBox(WindowHandle, const std::string& text,
                                    const std::string& caption, std::uint32_t style) {
    m_boxes.push_back({text, caption, style});
    return static_cast<int>(win32::kIdOk);
}

bool RecordingWindow::OpenFileDialog(const std::string& defaultExtension, const std::string&,
                                     std::uint32_t, std::string&) {
    m_fileRequests.push_back(defaultExtension);
    return false;
}

std::intptr_t RecordingWindow::Send(std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
    std::intptr_t result = 0;
    if (m_sink == nullptr) {
        return result;
    }
    ++m_depth;
    m_sink->Receive(message, wParam, lParam, result);
    --m_depth;
    while (m_depth == 0 && !m_posted.empty()) {
        const Posted next = m_posted.front();
        m_posted.pop_front();
        Send(next.message, next.wParam, next.lParam);
    }
    return result;
}

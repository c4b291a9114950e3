// A notification area in memory that records every request it was given.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/shell_api.h"

class RecordingShell : public ShellApi {
public:
    struct Call {
        win32::NotifyIconDataA data;
    };
    struct ShownIcon {
        WindowHandle window;
        std::uint32_t id, callbackMessage;
        IconHandle icon;
        std::string tip;
    };

    bool AddNotifyIcon(const win32::NotifyIconDataA& data) override { return Take(data, kAdd); }
    bool ModifyNotifyIcon(const win32::NotifyIconDataA& data) override { return Take(data, kModify); }
    bool DeleteNotifyIcon(const win32::NotifyIconDataA& data) override { return Take(data, kDelete); }
    // As the system does: the same number for the same name, from 0xC000 on.
    std::uint32_t RegisterMessageName(const std::string& name) override {
        const auto number = static_cast<std::uint32_t>(0xC000 + m_messages.size());
        return name.empty() ? 0 : m_messages.emplace(name, number).first->second;
    }

    // Null when no such icon is in the notification area.
    const ShownIcon* Find(WindowHandle window, std::uint32_t id) const {
        const auto found = std::find_if(m_shown.begin(), m_shown.end(), [&](const ShownIcon& s) {
            return s.window == window && s.id == id;
        });
        return found == m_shown.end() ? nullptr : &*found;
    }

    std::vector<Call> m_calls;
    std::vector<ShownIcon> m_shown;
    // No taskbar yet: every add and change is refused.
    bool m_running = true;

private:
    enum Request { kAdd, kModify, kDelete };

    bool Take(const win32::NotifyIconDataA& data, Request request) {
        m_calls.push_back({data});
        // The vector is this object's own: the icon found may be changed.
        auto* shown = const_cast<ShownIcon*>(Find(data.hWnd, data.uID));
        if (data.cbSize != win32::kNotifyIconDataV1Size || (shown == nullptr) != (request == kAdd) ||
            (!m_running && request != kDelete)) {
            return false;
        }
        if (request == kDelete) {
            m_shown.erase(m_shown.begin() + (shown - m_shown.data()));
            return true;
        }
        if (request == kAdd) {
            shown = &m_shown.emplace_back(ShownIcon{data.hWnd, data.uID, 0, 0, ""});
        }
        if ((data.uFlags & win32::kNifMessage) != 0) {
            shown->callbackMessage = data.uCallbackMessage;
        }
        if ((data.uFlags & win32::kNifIcon) != 0) {
            shown->icon = data.hIcon;
        }
        if ((data.uFlags & win32::kNifTip) != 0) {
            shown->tip.assign(data.szTip, strnlen(data.szTip, sizeof(data.szTip)));
        }
        return true;
    }

    std::map<std::string, std::uint32_t> m_messages;
};

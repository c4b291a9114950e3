// A notification area in memory that records every request it was given.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/shell_api.h"

class RecordingShell : public ShellApi {
public:
    struct ShownIcon {
        std::uint32_t callbackMessage = 0;
        IconHandle icon = 0;
        std::string tip;
    };

    bool AddNotifyIcon(const win32::NotifyIconDataA& data) override { return Take(data, "add"); }
    bool ModifyNotifyIcon(const win32::NotifyIconDataA& data) override { return Take(data, "modify"); }
    bool DeleteNotifyIcon(const win32::NotifyIconDataA& data) override { return Take(data, "delete"); }
    // As the system does: the same number for the same name, from 0xC000 on.
    std::uint32_t RegisterMessageName(const std::string& name) override {
        const auto number = static_cast<std::uint32_t>(0xC000 + m_messages.size());
        return name.empty() ? 0 : m_messages.emplace(name, number).first->second;
    }

    // Null when no such icon is in the notification area.
    const ShownIcon* Find(WindowHandle window, std::uint32_t id) const {
        const auto found = m_shown.find({window, id});
        return found == m_shown.end() ? nullptr : &found->second;
    }

    std::vector<std::string> m_calls;  // each request and its flags: "add 7"
    std::map<std::pair<WindowHandle, std::uint32_t>, ShownIcon> m_shown;
    // No taskbar yet: every add and change is refused.
    bool m_running = true;

private:
    bool Take(const win32::NotifyIconDataA& data, const std::string& request) {
        m_calls.push_back(request + " " + std::to_string(data.uFlags));
        const auto found = m_shown.find({data.hWnd, data.uID});
        if (data.cbSize != win32::kNotifyIconDataV1Size ||
            (found == m_shown.end()) != (request == "add") || (!m_running && request != "delete")) {
            return false;
        }
        if (request == "delete") {
            m_shown.erase(found);
            return true;
        }
        ShownIcon& shown = m_shown[{data.hWnd, data.uID}];
        if ((data.uFlags & win32::kNifMessage) != 0) {
            shown.callbackMessage = data.uCallbackMessage;
        }
        if ((data.uFlags & win32::kNifIcon) != 0) {
            shown.icon = data.hIcon;
        }
        if ((data.uFlags & win32::kNifTip) != 0) {
            shown.tip.assign(data.szTip, strnlen(data.szTip, sizeof(data.szTip)));
        }
        return true;
    }

    std::map<std::string, std::uint32_t> m_messages;
};

// A notification area in memory that records every request it was given.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/shell_api.h"

class RecordingShell : public ShellApi {
public:
    enum class Request { kAdd, kModify, kDelete };
    struct Call {
        Request request;
        win32::NotifyIconDataA data;
        bool accepted;
    };
    struct ShownIcon {
        WindowHandle window = 0;
        std::uint32_t id = 0;
        std::uint32_t callbackMessage = 0;
        IconHandle icon = 0;
        std::string tip;
    };

    bool AddNotifyIcon(const win32::NotifyIconDataA& data) override;
    bool ModifyNotifyIcon(const win32::NotifyIconDataA& data) override;
    bool DeleteNotifyIcon(const win32::NotifyIconDataA& data) override;
    std::uint32_t RegisterMessageName(const std::string& name) override;

    // Null when no such icon is in the notification area.
    const ShownIcon* Find(WindowHandle window, std::uint32_t id) const;

    std::vector<Call> m_calls;
    std::vector<ShownIcon> m_shown;
    // No taskbar yet: every add and change is refused.
    bool m_running = true;

private:
    std::vector<ShownIcon>::iterator Locate(const win32::NotifyIconDataA& data);
    bool Record(Request request, const win32::NotifyIconDataA& data, bool accepted);

    std::map<std::string, std::uint32_t> m_messages;
};

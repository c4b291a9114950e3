#include "testing/recording_shell.h"

#include <cstring>

namespace {

constexpr std::uint32_t kFirstRegisteredMessage = 0xC000;

void Apply(const win32::NotifyIconDataA& data, RecordingShell::ShownIcon* shown) {
    if ((data.uFlags & win32::kNifMessage) != 0) {
        shown->callbackMessage = data.uCallbackMessage;
    }
    if ((data.uFlags & win32::kNifIcon) != 0) {
        shown->icon = data.hIcon;
    }
    if ((data.uFlags & win32::kNifTip) != 0) {
        shown->tip.assign(data.szTip, strnlen(data.szTip, sizeof(data.szTip)));
    }
}

}  // namespace

std::vector<RecordingShell::ShownIcon>::iterator RecordingShell::Locate(
    const win32::NotifyIconDataA& data) {
    for (auto it = m_shown.begin(); it != m_shown.end(); ++it) {
        if (it->window == data.hWnd && it->id == data.uID) {
            return it;
        }
    }
    return m_shown.end();
}

bool RecordingShell::Record(Request request, const win32::NotifyIconDataA& data,
                            bool accepted) {
    m_calls.push_back(Call{request, data, accepted});
    return accepted;
}

bool RecordingShell::AddNotifyIcon(const win32::NotifyIconDataA& data) {
    if (!m_running || data.cbSize != win32::kNotifyIconDataV1Size ||
        Locate(data) != m_shown.end()) {
        return Record(Request::kAdd, data, false);
    }
    ShownIcon shown;
    shown.window = data.hWnd;
    shown.id = data.uID;
    Apply(data, &shown);
    m_shown.push_back(shown);
    return Record(Request::kAdd, data, true);
}

bool RecordingShell::ModifyNotifyIcon(const win32::NotifyIconDataA& data) {
    const auto shown = Locate(data);
    if (!m_running || data.cbSize != win32::kNotifyIconDataV1Size || shown == m_shown.end()) {
        return Record(Request::kModify, data, false);
    }
    Apply(data, &*shown);
    return Record(Request::kModify, data, true);
}

bool RecordingShell::DeleteNotifyIcon(const win32::NotifyIconDataA& data) {
    const auto shown = Locate(data);
    if (data.cbSize != win32::kNotifyIconDataV1Size || shown == m_shown.end()) {
        return Record(Request::kDelete, data, false);
    }
    m_shown.erase(shown);
    return Record(Request::kDelete, data, true);
}

std::uint32_t RecordingShell::RegisterMessageName(const std::string& name) {
    if (name.empty()) {
        return 0;
    }
    const auto found = m_messages.find(name);
    if (found != m_messages.end()) {
        return found->second;
    }
    const auto number = kFirstRegisteredMessage + static_cast<std::uint32_t>(m_messages.size());
    m_messages[name] = number;
    return number;
}

const RecordingShell::ShownIcon* RecordingShell::Find(WindowHandle window,
                                                      std::uint32_t id) const {
    for (const ShownIcon& shown : m_shown) {
        if (shown.window == window && shown.id == id) {
            return &shown;
        }
    }
    return nullptr;
}

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/win32_shell.h"

static_assert(win32::kNotifyIconDataV1Size == NOTIFYICONDATAA_V1_SIZE, "NOTIFYICONDATAA v1 size");
static_assert(offsetof(win32::NotifyIconDataA, hWnd) == offsetof(NOTIFYICONDATAA, hWnd),
              "NOTIFYICONDATAA layout");
static_assert(offsetof(win32::NotifyIconDataA, uCallbackMessage) ==
                  offsetof(NOTIFYICONDATAA, uCallbackMessage),
              "NOTIFYICONDATAA layout");
static_assert(offsetof(win32::NotifyIconDataA, hIcon) == offsetof(NOTIFYICONDATAA, hIcon),
              "NOTIFYICONDATAA layout");
static_assert(offsetof(win32::NotifyIconDataA, szTip) == offsetof(NOTIFYICONDATAA, szTip),
              "NOTIFYICONDATAA layout");
static_assert(win32::kNifMessage == NIF_MESSAGE && win32::kNifIcon == NIF_ICON &&
                  win32::kNifTip == NIF_TIP,
              "NIF_* flags");

namespace {

bool Notify(DWORD message, const win32::NotifyIconDataA& data) {
    NOTIFYICONDATAA request;
    ZeroMemory(&request, sizeof(request));
    request.cbSize = data.cbSize;
    request.hWnd = reinterpret_cast<HWND>(data.hWnd);
    request.uID = data.uID;
    request.uFlags = data.uFlags;
    request.uCallbackMessage = data.uCallbackMessage;
    request.hIcon = reinterpret_cast<HICON>(data.hIcon);
    CopyMemory(request.szTip, data.szTip, sizeof(data.szTip));
    return Shell_NotifyIconA(message, &request) != FALSE;
}

}  // namespace

bool Win32Shell::AddNotifyIcon(const win32::NotifyIconDataA& data) { return Notify(NIM_ADD, data); }

bool Win32Shell::ModifyNotifyIcon(const win32::NotifyIconDataA& data) {
    return Notify(NIM_MODIFY, data);
}

bool Win32Shell::DeleteNotifyIcon(const win32::NotifyIconDataA& data) {
    return Notify(NIM_DELETE, data);
}

std::uint32_t Win32Shell::RegisterMessageName(const std::string& name) {
    return RegisterWindowMessageA(name.c_str());
}

// The shell seam: the notification-area icon and registered messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/handles.h"

// <windows.h> maps this name to its A/W functions; the seam keeps the plain name.
#ifdef RegisterWindowMessage
#undef RegisterWindowMessage
#endif

namespace win32 {

// The first-version NOTIFYICONDATAA record, the one every shell accepts.
struct NotifyIconDataA {
    std::uint32_t cbSize;
    WindowHandle hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    IconHandle hIcon;
    char szTip[64];
};
// NOTIFYICONDATAA_V1_SIZE: 88 bytes in a 32-bit program, 104 in a 64-bit one.
constexpr std::uint32_t kNotifyIconDataV1Size = sizeof(void*) == 8 ? 104u : 88u;
static_assert(sizeof(NotifyIconDataA) == kNotifyIconDataV1Size, "NOTIFYICONDATAA v1 size");
static_assert(offsetof(NotifyIconDataA, szTip) == kNotifyIconDataV1Size - 64,
              "NOTIFYICONDATAA v1 layout");

constexpr std::uint32_t kNifMessage = 1;
constexpr std::uint32_t kNifIcon = 2;
constexpr std::uint32_t kNifTip = 4;

}  // namespace win32

class ShellApi {
public:
    virtual ~ShellApi() = default;

    // As Shell_NotifyIconA with NIM_ADD, NIM_MODIFY and NIM_DELETE.
    virtual bool AddNotifyIcon(const win32::NotifyIconDataA& data) = 0;
    virtual bool ModifyNotifyIcon(const win32::NotifyIconDataA& data) = 0;
    virtual bool DeleteNotifyIcon(const win32::NotifyIconDataA& data) = 0;
    // As RegisterWindowMessageA: the same number for the same name, 0 on failure.
    virtual std::uint32_t RegisterWindowMessage(const std::string& name) = 0;
};

ShellApi& Shell();
void SetShell(ShellApi* shell);

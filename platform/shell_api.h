// The shell seam: the notification-area icon and registered messages.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32_abi.h"

class ShellApi {
public:
    virtual ~ShellApi() = default;

    // As Shell_NotifyIconA with NIM_ADD, NIM_MODIFY and NIM_DELETE.
    virtual bool AddNotifyIcon(const win32::NotifyIconDataA& data) = 0;
    virtual bool ModifyNotifyIcon(const win32::NotifyIconDataA& data) = 0;
    virtual bool DeleteNotifyIcon(const win32::NotifyIconDataA& data) = 0;
    // As RegisterWindowMessageA: the same number for the same name, 0 on failure.
    virtual std::uint32_t RegisterMessageName(const std::string& name) = 0;
};

ShellApi& Shell();
void SetShell(ShellApi* shell);

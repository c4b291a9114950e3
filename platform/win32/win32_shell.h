// The shell seam over SHELL32 and USER32.
#pragma once

#include "platform/shell_api.h"

class Win32Shell : public ShellApi {
public:
    bool AddNotifyIcon(const win32::NotifyIconDataA& data) override;
    bool ModifyNotifyIcon(const win32::NotifyIconDataA& data) override;
    bool DeleteNotifyIcon(const win32::NotifyIconDataA& data) override;
    std::uint32_t RegisterMessageName(const std::string& name) override;
};

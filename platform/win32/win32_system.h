// The system seam over KERNEL32.
#pragma once

#include "platform/system_api.h"

class Win32System : public SystemApi {
public:
    bool QueryVersion(win32::OsVersionInfoA* info) override;
    std::string ProgramFileName() override;
};

// The system seam over KERNEL32 and NTDLL.
#pragma once

#include "platform/system_api.h"
#include "platform/win32/win32_kernel_times.h"

class Win32System : public SystemApi {
public:
    bool QueryVersion(win32::OsVersionInfoA* info) override;
    std::string ProgramFileName() override;
    bool ReadProcessorIdleTimes(std::vector<std::int64_t>& idle) override;
    bool ReadProcessTimes(std::vector<ProcessTime>& processes) override;
    SystemClock ReadClock() override;

private:
    Win32KernelTimes m_kernel;
};

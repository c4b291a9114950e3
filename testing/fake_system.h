// A system whose version, program file, kernel times and clock a test chooses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_api.h"

class FakeSystem : public SystemApi {
public:
    static constexpr std::uint32_t kPlatformWindows9x = 1;

    bool QueryVersion(win32::OsVersionInfoA* info) override {
        if (info == nullptr || info->dwOSVersionInfoSize != sizeof(win32::OsVersionInfoA)) {
            return false;
        }
        info->dwMajorVersion = m_majorVersion;
        info->dwPlatformId = m_platformId;
        return true;
    }
    std::string ProgramFileName() override { return m_moduleFileName; }
    // The kernel tells nothing until a test gives it processors and processes.
    bool ReadProcessorIdleTimes(std::vector<std::int64_t>& idle) override {
        idle = m_processorIdle;
        return !idle.empty();
    }
    bool ReadProcessTimes(std::vector<ProcessTime>& processes) override {
        processes = m_processes;
        return !processes.empty();
    }
    SystemClock ReadClock() override { return m_clock; }

    std::uint32_t m_platformId = win32::kVerPlatformWin32Nt;
    std::uint32_t m_majorVersion = 6;
    std::string m_moduleFileName = "C:\\Tools\\gaugelet.exe";
    std::vector<std::int64_t> m_processorIdle;
    std::vector<ProcessTime> m_processes;
    SystemClock m_clock;
};

// A system whose version, program file, kernel times and clock a test chooses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_api.h"

class FakeSystem : public SystemApi {
public:
    bool QueryVersion(win32::OsVersionInfoA* info) override;
    std::string ProgramFileName() override { return m_moduleFileName; }
    bool ReadProcessorIdleTimes(std::vector<std::int64_t>& idle) override;
    bool ReadProcessTimes(std::vector<ProcessTime>& processes) override;
    SystemClock ReadClock() override { return m_clock; }

    std::uint32_t m_platformId = win32::kVerPlatformWin32Nt;
    std::uint32_t m_majorVersion = 6;
    std::uint32_t m_minorVersion = 1;
    bool m_versionFails = false;
    std::string m_moduleFileName = "C:\\Tools\\gaugelet.exe";
    // The kernel tells nothing until a test gives it processors.
    std::vector<std::int64_t> m_processorIdle;
    std::vector<ProcessTime> m_processes;
    bool m_processesFail = false;
    SystemClock m_clock;
    int m_kernelReads = 0;
};

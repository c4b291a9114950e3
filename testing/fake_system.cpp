#include "testing/fake_system.h"

#include <cstring>

bool FakeSystem::QueryVersion(win32::OsVersionInfoA* info) {
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(win32::OsVersionInfoA) ||
        m_versionFails) {
        return false;
    }
    info->dwMajorVersion = m_majorVersion;
    info->dwMinorVersion = m_minorVersion;
    info->dwBuildNumber = 0;
    info->dwPlatformId = m_platformId;
    std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
    return true;
}

bool FakeSystem::ReadProcessorIdleTimes(std::vector<std::int64_t>& idle) {
    ++m_kernelReads;
    idle = m_processorIdle;
    return !idle.empty();
}

bool FakeSystem::ReadProcessTimes(std::vector<ProcessTime>& processes) {
    ++m_kernelReads;
    processes = m_processes;
    return !m_processesFail;
}

#include "platform/win32/win32_system.h"

#include <windows.h>

bool Win32System::QueryVersion(win32::OsVersionInfoA* info) {
    if (info == nullptr) {
        return false;
    }
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = info->dwOSVersionInfoSize;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    // The meter decides the platform family from the version as reported
    // to programs without a manifest, which is what GetVersionExA gives.
    const BOOL ok = GetVersionExA(&version);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (!ok) {
        return false;
    }
    CopyMemory(info, &version, sizeof(version));
    return true;
}

std::string Win32System::ProgramFileName() {
    char path[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::string();
    }
    return std::string(path, length);
}

bool Win32System::ReadProcessorIdleTimes(std::vector<std::int64_t>& idle) {
    return m_kernel.ReadProcessorIdle(idle);
}

bool Win32System::ReadProcessTimes(std::vector<ProcessTime>& processes) {
    return m_kernel.ReadProcesses(processes);
}

SystemClock Win32System::ReadClock() {
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    FILETIME now{};
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    GetSystemTimeAsFileTime(&now);
    SystemClock clock;
    clock.counter = counter.QuadPart;
    clock.frequency = frequency.QuadPart;
    clock.time100ns = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return clock;
}

// The system seam: the version of the running system, the program's file,
// and the kernel's processor and process times with the clock they are
// read against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32_abi.h"

struct ProcessTime {
    std::uint64_t processId = 0;
    std::u16string imageName;  // as the kernel reports it, extension included
    std::int64_t cpuTime = 0;  // user plus kernel time, in 100-ns units
};

// A performance counter with its frequency, and the time of day in 100-ns
// units since 1601, read together.
struct SystemClock {
    std::int64_t counter = 0;
    std::int64_t frequency = 0;
    std::int64_t time100ns = 0;
};

class SystemApi {
public:
    virtual ~SystemApi() = default;

    // As GetVersionExA (named apart from its <windows.h> macro); the caller
    // sets dwOSVersionInfoSize.
    virtual bool QueryVersion(win32::OsVersionInfoA* info) = 0;
    // As GetModuleFileNameA for the program itself.
    virtual std::string ProgramFileName() = 0;

    // Idle time of every logical processor since boot, in 100-ns units;
    // false when the kernel does not tell.
    virtual bool ReadProcessorIdleTimes(std::vector<std::int64_t>& idle) = 0;
    virtual bool ReadProcessTimes(std::vector<ProcessTime>& processes) = 0;
    virtual SystemClock ReadClock() = 0;
};

SystemApi& System();
void SetSystem(SystemApi* system);

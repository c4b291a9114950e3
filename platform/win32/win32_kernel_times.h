// The kernel's own account of processor and process times, in 100-ns units,
// read through NtQuerySystemInformation, which is looked up at run time.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/system_api.h"

class Win32KernelTimes {
public:
    Win32KernelTimes();
    Win32KernelTimes(const Win32KernelTimes&) = delete;
    Win32KernelTimes& operator=(const Win32KernelTimes&) = delete;

    // Idle time of every logical processor of every group since boot.
    bool ReadProcessorIdle(std::vector<std::int64_t>& idle);
    bool ReadProcesses(std::vector<ProcessTime>& processes);

private:
    using QueryFunction = std::int32_t(__stdcall*)(std::uint32_t infoClass, void* buffer,
                                                    std::uint32_t length,
                                                    std::uint32_t* returnLength);
    using GroupQueryFunction = std::int32_t(__stdcall*)(std::uint32_t infoClass, void* group,
                                                         std::uint32_t groupLength, void* buffer,
                                                         std::uint32_t length,
                                                         std::uint32_t* returnLength);
    using GroupCountFunction = std::uint16_t(__stdcall*)();

    // Grows the buffer until the answer fits; false on any other failure.
    // With a group, the group-aware call answers for that group.
    bool Query(std::uint32_t infoClass, const std::uint16_t* group,
               std::vector<std::uint8_t>& buffer, std::uint32_t& returned);
    bool ReadGroupIdle(const std::uint16_t* group, std::vector<std::int64_t>& idle);

    QueryFunction m_query = nullptr;
    // Both missing before Windows 7, which has one group.
    GroupQueryFunction m_groupQuery = nullptr;
    GroupCountFunction m_groupCount = nullptr;
    std::vector<std::uint8_t> m_processorBuffer;
    std::vector<std::uint8_t> m_processBuffer;  // kept: the list is read every second
};

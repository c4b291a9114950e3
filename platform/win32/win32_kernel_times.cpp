#include "platform/win32/win32_kernel_times.h"

#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstring>

#include "platform/buffer_growth.h"
#include "platform/processor_groups.h"

namespace {

constexpr std::uint32_t kSystemProcessInformation = 5;
constexpr std::uint32_t kSystemProcessorPerformanceInformation = 8;
constexpr std::int32_t kStatusSuccess = 0;
constexpr std::int32_t kStatusInfoLengthMismatch = static_cast<std::int32_t>(0xC0000004u);
constexpr std::size_t kFirstProcessorBuffer = 64u * 48u;
constexpr std::size_t kFirstProcessBuffer = 64u * 1024u;
constexpr std::size_t kBufferMargin = 4096u;
constexpr std::size_t kBufferCap = 16u * 1024u * 1024u;

struct ProcessorPerformance {  // SYSTEM_PROCESSOR_PERFORMANCE_INFORMATION
    std::int64_t IdleTime;
    std::int64_t KernelTime;
    std::int64_t UserTime;
    std::int64_t DpcTime;
    std::int64_t InterruptTime;
    std::uint32_t InterruptCount;
    std::uint32_t Padding;
};
static_assert(sizeof(ProcessorPerformance) == 48, "processor record is 48 bytes");
static_assert(sizeof(ProcessorPerformance) == sizeof(SYSTEM_PROCESSOR_PERFORMANCE_INFORMATION),
              "processor record size");
static_assert(offsetof(ProcessorPerformance, IdleTime) ==
                  offsetof(SYSTEM_PROCESSOR_PERFORMANCE_INFORMATION, IdleTime),
              "processor record IdleTime");

// The head of SYSTEM_PROCESS_INFORMATION; the thread records that follow
// each entry are not read.
struct ProcessEntry {
    std::uint32_t NextEntryOffset;
    std::uint32_t NumberOfThreads;
    std::int64_t Reserved[3];
    std::int64_t CreateTime;
    std::int64_t UserTime;
    std::int64_t KernelTime;
    std::uint16_t NameLength;  // bytes, without a terminating zero
    std::uint16_t NameMaximumLength;
    std::uintptr_t NameBuffer;
    std::int32_t BasePriority;
    std::uintptr_t UniqueProcessId;
};
constexpr bool kWide = sizeof(void*) == 8;
static_assert(offsetof(ProcessEntry, UserTime) == 40, "process record UserTime");
static_assert(offsetof(ProcessEntry, KernelTime) == 48, "process record KernelTime");
static_assert(offsetof(ProcessEntry, NameLength) == 56, "process record ImageName");
static_assert(offsetof(ProcessEntry, NameBuffer) == (kWide ? 64 : 60), "process record name");
static_assert(offsetof(ProcessEntry, UniqueProcessId) == (kWide ? 80 : 68),
              "process record UniqueProcessId");
static_assert(offsetof(ProcessEntry, UserTime) == offsetof(SYSTEM_PROCESS_INFORMATION, UserTime),
              "process record UserTime");
static_assert(offsetof(ProcessEntry, KernelTime) ==
                  offsetof(SYSTEM_PROCESS_INFORMATION, KernelTime),
              "process record KernelTime");
static_assert(offsetof(ProcessEntry, NameLength) ==
                  offsetof(SYSTEM_PROCESS_INFORMATION, ImageName),
              "process record ImageName");
static_assert(offsetof(ProcessEntry, NameBuffer) ==
                  offsetof(SYSTEM_PROCESS_INFORMATION, ImageName) +
                      offsetof(UNICODE_STRING, Buffer),
              "process record name");
static_assert(offsetof(ProcessEntry, UniqueProcessId) ==
                  offsetof(SYSTEM_PROCESS_INFORMATION, UniqueProcessId),
              "process record UniqueProcessId");

// The name's text lies inside the answer; a pointer elsewhere yields no name.
std::u16string ReadImageName(const std::vector<std::uint8_t>& buffer, std::uint32_t returned,
                             const ProcessEntry& entry) {
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::size_t length = entry.NameLength & ~std::size_t{1};
    if (entry.NameBuffer < start || entry.NameBuffer - start > returned ||
        returned - (entry.NameBuffer - start) < length) {
        return std::u16string();
    }
    std::u16string name(length / 2, u'\0');
    std::memcpy(&name[0], buffer.data() + (entry.NameBuffer - start), length);
    return name;
}

}  // namespace

Win32KernelTimes::Win32KernelTimes() {
    // ntdll and kernel32 are in every process, so their handles need no release.
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll != nullptr) {
        // The cast from FARPROC is how a function found by name is called.
        m_query = reinterpret_cast<QueryFunction>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
        m_groupQuery = reinterpret_cast<GroupQueryFunction>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformationEx")));
    }
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    if (kernel32 != nullptr) {
        m_groupCount = reinterpret_cast<GroupCountFunction>(
            reinterpret_cast<void*>(GetProcAddress(kernel32, "GetActiveProcessorGroupCount")));
    }
}

bool Win32KernelTimes::Query(std::uint32_t infoClass, const std::uint16_t* group,
                        std::vector<std::uint8_t>& buffer, std::uint32_t& returned) {
    if (group == nullptr ? m_query == nullptr : m_groupQuery == nullptr) {
        return false;
    }
    for (;;) {
        const std::uint32_t length = static_cast<std::uint32_t>(buffer.size());
        returned = 0;
        std::uint16_t groupNumber = group != nullptr ? *group : 0;
        const std::int32_t status =
            group == nullptr
                ? m_query(infoClass, buffer.data(), length, &returned)
                : m_groupQuery(infoClass, &groupNumber, sizeof(groupNumber), buffer.data(), length,
                               &returned);
        if (status == kStatusSuccess) {
            return returned <= length;
        }
        if (status != kStatusInfoLengthMismatch || buffer.size() >= kBufferCap) {
            return false;
        }
        buffer.resize(static_cast<std::size_t>(
            GrownBufferSize(buffer.size(), returned, kBufferMargin, kBufferCap)));
    }
}

bool Win32KernelTimes::ReadProcessorIdle(std::vector<std::int64_t>& idle) {
    const std::uint16_t groups = m_groupCount != nullptr ? m_groupCount() : 1;
    // In one group the plain call answers for every processor.
    if (groups <= 1 || m_groupQuery == nullptr) {
        return ReadGroupIdle(nullptr, idle);
    }
    return ReadIdleOfEveryGroup(
        groups,
        [this](std::uint16_t group, std::vector<std::int64_t>& groupIdle) {
            return ReadGroupIdle(&group, groupIdle);
        },
        idle);
}

bool Win32KernelTimes::ReadGroupIdle(const std::uint16_t* group, std::vector<std::int64_t>& idle) {
    idle.clear();
    if (m_processorBuffer.empty()) {
        m_processorBuffer.resize(kFirstProcessorBuffer);
    }
    std::uint32_t returned = 0;
    if (!Query(kSystemProcessorPerformanceInformation, group, m_processorBuffer, returned)) {
        return false;
    }
    const std::size_t count = returned / sizeof(ProcessorPerformance);
    for (std::size_t i = 0; i < count; ++i) {
        ProcessorPerformance record{};
        std::memcpy(&record, m_processorBuffer.data() + i * sizeof(record), sizeof(record));
        idle.push_back(record.IdleTime);
    }
    return count != 0;
}

bool Win32KernelTimes::ReadProcesses(std::vector<ProcessTime>& processes) {
    processes.clear();
    if (m_processBuffer.empty()) {
        m_processBuffer.resize(kFirstProcessBuffer);
    }
    std::uint32_t returned = 0;
    if (!Query(kSystemProcessInformation, nullptr, m_processBuffer, returned)) {
        return false;
    }
    for (std::size_t offset = 0;;) {
        ProcessEntry entry{};
        if (offset > returned || returned - offset < sizeof(entry)) {
            return false;
        }
        std::memcpy(&entry, m_processBuffer.data() + offset, sizeof(entry));
        ProcessTime process;
        process.processId = entry.UniqueProcessId;
        process.imageName = ReadImageName(m_processBuffer, returned, entry);
        process.cpuTime = entry.UserTime + entry.KernelTime;
        processes.push_back(std::move(process));
        if (entry.NextEntryOffset == 0) {
            return true;
        }
        offset += entry.NextEntryOffset;
    }
}

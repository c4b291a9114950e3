// The published 32-bit performance data layout, as the registry serves it on
// the NT family. Fields are explicitly sized so every build reads the same
// bytes; platform/win32/ checks them against <winperf.h>.
#pragma once

#include <cstddef>
#include <cstdint>

namespace perf {

// Where the system keeps the English counter-name table (value "Counter":
// index, name, index, name, ...).
constexpr char kCounterTableKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009";
constexpr char kCounterTableValue[] = "Counter";

// PERF_COUNTER_DEFINITION::CounterType values the meter's data use.
constexpr std::uint32_t kCounterTypeTimer100Ns = 0x20510500u;     // PERF_100NSEC_TIMER
constexpr std::uint32_t kCounterTypeTimer100NsInv = 0x21510500u;  // PERF_100NSEC_TIMER_INV
constexpr std::int32_t kNoInstances = -1;                         // PERF_NO_INSTANCES

struct PerfSystemTime {  // SYSTEMTIME
    std::uint16_t wYear;
    std::uint16_t wMonth;
    std::uint16_t wDayOfWeek;
    std::uint16_t wDay;
    std::uint16_t wHour;
    std::uint16_t wMinute;
    std::uint16_t wSecond;
    std::uint16_t wMilliseconds;
};

struct PerfDataBlock {  // PERF_DATA_BLOCK
    std::uint16_t Signature[4];
    std::uint32_t LittleEndian;
    std::uint32_t Version;
    std::uint32_t Revision;
    std::uint32_t TotalByteLength;
    std::uint32_t HeaderLength;
    std::uint32_t NumObjectTypes;
    std::int32_t DefaultObject;
    PerfSystemTime SystemTime;
    std::uint32_t AlignmentPadding;  // the LARGE_INTEGERs that follow sit on 8 bytes
    std::int64_t PerfTime;
    std::int64_t PerfFreq;
    std::int64_t PerfTime100nSec;
    std::uint32_t SystemNameLength;
    std::uint32_t SystemNameOffset;
};

struct PerfObjectType {  // PERF_OBJECT_TYPE
    std::uint32_t TotalByteLength;
    std::uint32_t DefinitionLength;
    std::uint32_t HeaderLength;
    std::uint32_t ObjectNameTitleIndex;
    std::uint32_t ObjectNameTitle;
    std::uint32_t ObjectHelpTitleIndex;
    std::uint32_t ObjectHelpTitle;
    std::uint32_t DetailLevel;
    std::uint32_t NumCounters;
    std::int32_t DefaultCounter;
    std::int32_t NumInstances;
    std::uint32_t CodePage;
    std::int64_t PerfTime;
    std::int64_t PerfFreq;
};

struct PerfCounterDefinition {  // PERF_COUNTER_DEFINITION
    std::uint32_t ByteLength;
    std::uint32_t CounterNameTitleIndex;
    std::uint32_t CounterNameTitle;
    std::uint32_t CounterHelpTitleIndex;
    std::uint32_t CounterHelpTitle;
    std::int32_t DefaultScale;
    std::uint32_t DetailLevel;
    std::uint32_t CounterType;
    std::uint32_t CounterSize;
    std::uint32_t CounterOffset;
};

struct PerfInstanceDefinition {  // PERF_INSTANCE_DEFINITION
    std::uint32_t ByteLength;
    std::uint32_t ParentObjectTitleIndex;
    std::uint32_t ParentObjectInstance;
    std::int32_t UniqueID;
    std::uint32_t NameOffset;
    std::uint32_t NameLength;
};

struct PerfCounterBlock {  // PERF_COUNTER_BLOCK
    std::uint32_t ByteLength;
};

static_assert(sizeof(PerfSystemTime) == 16, "SYSTEMTIME is 16 bytes");
static_assert(sizeof(PerfDataBlock) == 88, "PERF_DATA_BLOCK is 88 bytes");
static_assert(offsetof(PerfDataBlock, HeaderLength) == 24, "PERF_DATA_BLOCK layout");
static_assert(offsetof(PerfDataBlock, NumObjectTypes) == 28, "PERF_DATA_BLOCK layout");
static_assert(offsetof(PerfDataBlock, SystemTime) == 36, "PERF_DATA_BLOCK layout");
static_assert(offsetof(PerfDataBlock, PerfTime) == 56, "PERF_DATA_BLOCK layout");
static_assert(offsetof(PerfDataBlock, PerfFreq) == 64, "PERF_DATA_BLOCK layout");
static_assert(offsetof(PerfDataBlock, PerfTime100nSec) == 72, "PERF_DATA_BLOCK layout");
static_assert(offsetof(PerfDataBlock, SystemNameOffset) == 84, "PERF_DATA_BLOCK layout");
static_assert(sizeof(PerfObjectType) == 64, "PERF_OBJECT_TYPE is 64 bytes");
static_assert(offsetof(PerfObjectType, HeaderLength) == 8, "PERF_OBJECT_TYPE layout");
static_assert(offsetof(PerfObjectType, NumCounters) == 32, "PERF_OBJECT_TYPE layout");
static_assert(offsetof(PerfObjectType, NumInstances) == 40, "PERF_OBJECT_TYPE layout");
static_assert(offsetof(PerfObjectType, PerfTime) == 48, "PERF_OBJECT_TYPE layout");
static_assert(sizeof(PerfCounterDefinition) == 40, "PERF_COUNTER_DEFINITION is 40 bytes");
static_assert(offsetof(PerfCounterDefinition, CounterType) == 28, "PERF_COUNTER_DEFINITION layout");
static_assert(offsetof(PerfCounterDefinition, CounterOffset) == 36,
              "PERF_COUNTER_DEFINITION layout");
static_assert(sizeof(PerfInstanceDefinition) == 24, "PERF_INSTANCE_DEFINITION is 24 bytes");
static_assert(offsetof(PerfInstanceDefinition, NameOffset) == 16, "PERF_INSTANCE_DEFINITION layout");
static_assert(sizeof(PerfCounterBlock) == 4, "PERF_COUNTER_BLOCK is 4 bytes");

}  // namespace perf

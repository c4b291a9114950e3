// The portable performance data layout is the one <winperf.h> publishes.
#include <windows.h>
#include <winperf.h>

#include <cstddef>

#include "perf/perf_layout.h"

static_assert(sizeof(perf::PerfDataBlock) == sizeof(PERF_DATA_BLOCK), "PERF_DATA_BLOCK size");
static_assert(offsetof(perf::PerfDataBlock, HeaderLength) == offsetof(PERF_DATA_BLOCK, HeaderLength),
              "PERF_DATA_BLOCK HeaderLength");
static_assert(offsetof(perf::PerfDataBlock, NumObjectTypes) ==
                  offsetof(PERF_DATA_BLOCK, NumObjectTypes),
              "PERF_DATA_BLOCK NumObjectTypes");
static_assert(offsetof(perf::PerfDataBlock, PerfTime) == offsetof(PERF_DATA_BLOCK, PerfTime),
              "PERF_DATA_BLOCK PerfTime");
static_assert(offsetof(perf::PerfDataBlock, PerfFreq) == offsetof(PERF_DATA_BLOCK, PerfFreq),
              "PERF_DATA_BLOCK PerfFreq");
static_assert(offsetof(perf::PerfDataBlock, PerfTime100nSec) ==
                  offsetof(PERF_DATA_BLOCK, PerfTime100nSec),
              "PERF_DATA_BLOCK PerfTime100nSec");
static_assert(sizeof(perf::PerfObjectType) == sizeof(PERF_OBJECT_TYPE), "PERF_OBJECT_TYPE size");
static_assert(offsetof(perf::PerfObjectType, DefinitionLength) ==
                  offsetof(PERF_OBJECT_TYPE, DefinitionLength),
              "PERF_OBJECT_TYPE DefinitionLength");
static_assert(offsetof(perf::PerfObjectType, HeaderLength) == offsetof(PERF_OBJECT_TYPE, HeaderLength),
              "PERF_OBJECT_TYPE HeaderLength");
static_assert(offsetof(perf::PerfObjectType, NumCounters) == offsetof(PERF_OBJECT_TYPE, NumCounters),
              "PERF_OBJECT_TYPE NumCounters");
static_assert(offsetof(perf::PerfObjectType, NumInstances) == offsetof(PERF_OBJECT_TYPE, NumInstances),
              "PERF_OBJECT_TYPE NumInstances");
static_assert(sizeof(perf::PerfCounterDefinition) == sizeof(PERF_COUNTER_DEFINITION),
              "PERF_COUNTER_DEFINITION size");
static_assert(offsetof(perf::PerfCounterDefinition, CounterNameTitleIndex) ==
                  offsetof(PERF_COUNTER_DEFINITION, CounterNameTitleIndex),
              "PERF_COUNTER_DEFINITION CounterNameTitleIndex");
static_assert(offsetof(perf::PerfCounterDefinition, CounterType) ==
                  offsetof(PERF_COUNTER_DEFINITION, CounterType),
              "PERF_COUNTER_DEFINITION CounterType");
static_assert(offsetof(perf::PerfCounterDefinition, CounterSize) ==
                  offsetof(PERF_COUNTER_DEFINITION, CounterSize),
              "PERF_COUNTER_DEFINITION CounterSize");
static_assert(offsetof(perf::PerfCounterDefinition, CounterOffset) ==
                  offsetof(PERF_COUNTER_DEFINITION, CounterOffset),
              "PERF_COUNTER_DEFINITION CounterOffset");
static_assert(sizeof(perf::PerfInstanceDefinition) == sizeof(PERF_INSTANCE_DEFINITION),
              "PERF_INSTANCE_DEFINITION size");
static_assert(offsetof(perf::PerfInstanceDefinition, NameOffset) ==
                  offsetof(PERF_INSTANCE_DEFINITION, NameOffset),
              "PERF_INSTANCE_DEFINITION NameOffset");
static_assert(sizeof(perf::PerfCounterBlock) == sizeof(PERF_COUNTER_BLOCK), "PERF_COUNTER_BLOCK size");
static_assert(perf::kCounterTypeTimer100Ns == PERF_100NSEC_TIMER, "PERF_100NSEC_TIMER");
static_assert(perf::kCounterTypeTimer100NsInv == PERF_100NSEC_TIMER_INV, "PERF_100NSEC_TIMER_INV");
static_assert(perf::kNoInstances == PERF_NO_INSTANCES, "PERF_NO_INSTANCES");

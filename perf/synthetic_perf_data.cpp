#include "perf/synthetic_perf_data.h"

#include <cctype>
#include <cstddef>
#include <cstring>

#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "perf/processor_instances.h"
#include "platform/buffer_growth.h"
#include "registry/registry_object.h"

namespace {

constexpr std::uint32_t kProcessorTimeIndex = 6;
constexpr std::uint32_t kProcessIndex = 230;
constexpr std::uint32_t kProcessorIndex = 238;
const char kProcessValueName[] = "230";
const char kProcessorValueName[] = "238";

// The English names of what this backend serves, as the table pairs them.
const char* const kStandardNames[][2] = {
    {"6", "% Processor Time"},
    {"230", "Process"},
    {"238", "Processor"},
};

constexpr std::uint32_t kFirstSystemRead = 64u * 1024u;
constexpr std::uint32_t kSystemReadMargin = 4096u;
constexpr std::uint32_t kSystemReadCap = 64u * 1024u * 1024u;

// Key paths and value names compare without regard to case, as the registry's do.
bool SameText(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    if (a.size() != length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool TableHoldsStandardNames(const std::uint8_t* data, std::uint32_t size) {
    const std::vector<std::string> table = SplitMultiString(data, size);
    for (const auto& pair : kStandardNames) {
        bool found = false;
        for (std::size_t i = 0; !found && i + 1 < table.size(); i += 2) {
            found = table[i] == pair[0] && table[i + 1] == pair[1];
        }
        if (!found) {
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> StandardTable() {
    std::vector<std::uint8_t> table;
    for (const auto& pair : kStandardNames) {
        for (const char* text : pair) {
            table.insert(table.end(), text, text + std::strlen(text) + 1);
        }
    }
    table.push_back(0);
    return table;
}

bool BlockHoldsObject(const std::uint8_t* data, std::uint32_t size, std::uint32_t objectIndex) {
    perf::PerfDataBlock header{};
    if (size < sizeof(header)) {
        return false;
    }
    std::memcpy(&header, data, sizeof(header));
    std::uint64_t offset = header.HeaderLength;
    for (std::uint32_t i = 0; i < header.NumObjectTypes; ++i) {
        perf::PerfObjectType object{};
        if (offset > size || size - offset < sizeof(object)) {
            return false;
        }
        std::memcpy(&object, data + offset, sizeof(object));
        if (object.ObjectNameTitleIndex == objectIndex) {
            return true;
        }
        if (object.TotalByteLength < sizeof(object)) {
            return false;
        }
        offset += object.TotalByteLength;
    }
    return false;
}

perf::BlockSpec StampedBlock(SystemApi& system) {
    const SystemClock clock = system.ReadClock();
    perf::BlockSpec spec;
    spec.perfTime = clock.counter;
    spec.perfFreq = clock.frequency;
    spec.perfTime100nSec = clock.time100ns;
    return spec;
}

// Where the first counter's value of each instance lies in a block of one
// object laid out by the builder.
std::vector<std::size_t> ValueOffsets(const std::vector<std::uint8_t>& block) {
    perf::PerfObjectType object{};
    perf::PerfCounterDefinition counter{};
    const std::size_t objectAt = sizeof(perf::PerfDataBlock);
    std::memcpy(&object, block.data() + objectAt, sizeof(object));
    std::memcpy(&counter, block.data() + objectAt + object.HeaderLength, sizeof(counter));
    std::vector<std::size_t> offsets;
    std::size_t at = objectAt + object.DefinitionLength;
    for (std::int32_t i = 0; i < object.NumInstances; ++i) {
        perf::PerfInstanceDefinition instance{};
        perf::PerfCounterBlock counters{};
        std::memcpy(&instance, block.data() + at, sizeof(instance));
        const std::size_t counterBlock = at + instance.ByteLength;
        std::memcpy(&counters, block.data() + counterBlock, sizeof(counters));
        offsets.push_back(counterBlock + counter.CounterOffset);
        at = counterBlock + counters.ByteLength;
    }
    return offsets;
}

perf::InstanceSpec Instance(std::u16string name, std::int64_t value) {
    perf::InstanceSpec instance;
    instance.name = std::move(name);
    instance.values.push_back(static_cast<std::uint64_t>(value));
    return instance;
}

// Instances are named by the image without its extension, like the system's.
std::u16string InstanceName(const std::u16string& imageName) {
    std::u16string name = imageName;
    const std::size_t slash = name.find_last_of(u"\\/");
    if (slash != std::u16string::npos) {
        name.erase(0, slash + 1);
    }
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos && dot != 0) {
        name.erase(dot);
    }
    return name;
}

std::int64_t Sum(const std::vector<std::int64_t>& values) {
    std::int64_t sum = 0;
    for (const std::int64_t value : values) {
        sum += value;
    }
    return sum;
}

}  // namespace

SyntheticPerfData::SyntheticPerfData(RegistryApi& registry, SystemApi& system)
    : m_registry(registry), m_system(system) {}

// An address inside this object: the system hands out handle numbers of its
// own, never the address of memory this program owns.
win32::RegKey SyntheticPerfData::PseudoKey() const {
    return reinterpret_cast<win32::RegKey>(&m_pseudoKeyOpens);
}

bool SyntheticPerfData::ValueServes(Served what, const std::uint8_t* data, std::uint32_t size) {
    switch (what) {
        case kCounterTable:
            return TableHoldsStandardNames(data, size);
        case kProcessorObject:
            return BlockHoldsObject(data, size, kProcessorIndex);
        default:
            return BlockHoldsObject(data, size, kProcessIndex);
    }
}

std::int32_t SyntheticPerfData::OpenKey(win32::RegKey root, const std::string& subKey,
                                        std::uint32_t access, win32::RegKey* result) {
    if (root == PseudoKey()) {
        if (result != nullptr) {
            *result = 0;
        }
        return win32::kErrorFileNotFound;
    }
    const std::int32_t status = m_registry.OpenKey(root, subKey, access, result);
    if (root != win32::kRootLocalMachine || !SameText(subKey, perf::kCounterTableKey) ||
        result == nullptr) {
        return status;
    }
    if (status == win32::kErrorSuccess) {
        m_counterTableKeys.insert(*result);
    } else if (status == win32::kErrorFileNotFound) {
        ++m_pseudoKeyOpens;
        *result = PseudoKey();
        return win32::kErrorSuccess;
    }
    return status;
}

std::int32_t SyntheticPerfData::CreateKey(win32::RegKey root, const std::string& subKey,
                                          std::uint32_t access, win32::RegKey* result) {
    if (root == PseudoKey()) {
        if (result != nullptr) {
            *result = 0;
        }
        return win32::kErrorAccessDenied;
    }
    return m_registry.CreateKey(root, subKey, access, result);
}

std::int32_t SyntheticPerfData::QueryValue(win32::RegKey key, const std::string& name,
                                           std::uint32_t* type, std::uint8_t* data,
                                           std::uint32_t* size) {
    if (key == PseudoKey()) {
        if (m_pseudoKeyOpens == 0) {
            return win32::kErrorInvalidHandle;
        }
        if (!SameText(name, perf::kCounterTableValue)) {
            return win32::kErrorFileNotFound;
        }
        const std::uint32_t capacity = size != nullptr ? *size : 0;
        return AnswerQueryValue(StandardTable(), win32::kRegMultiSz, capacity, type, data, size);
    }
    if (key == win32::kRootPerformanceData && name == kProcessorValueName) {
        return Serve(kProcessorObject, key, name, type, data, size);
    }
    if (key == win32::kRootPerformanceData && name == kProcessValueName) {
        return Serve(kProcessObject, key, name, type, data, size);
    }
    if (m_counterTableKeys.count(key) != 0 && SameText(name, perf::kCounterTableValue)) {
        return Serve(kCounterTable, key, name, type, data, size);
    }
    return m_registry.QueryValue(key, name, type, data, size);
}

std::int32_t SyntheticPerfData::SetValue(win32::RegKey key, const std::string& name,
                                         std::uint32_t type, const std::uint8_t* data,
                                         std::uint32_t size) {
    if (key == PseudoKey()) {
        return m_pseudoKeyOpens != 0 ? win32::kErrorAccessDenied : win32::kErrorInvalidHandle;
    }
    return m_registry.SetValue(key, name, type, data, size);
}

std::int32_t SyntheticPerfData::CloseKey(win32::RegKey key) {
    if (key == PseudoKey()) {
        if (m_pseudoKeyOpens == 0) {
            return win32::kErrorInvalidHandle;
        }
        --m_pseudoKeyOpens;
        return win32::kErrorSuccess;
    }
    m_counterTableKeys.erase(key);
    return m_registry.CloseKey(key);
}

std::int32_t SyntheticPerfData::ConnectRegistry(const std::string& machine, win32::RegKey root,
                                                win32::RegKey* result) {
    return m_registry.ConnectRegistry(machine, root, result);
}

std::int32_t SyntheticPerfData::Serve(Served what, win32::RegKey key, const std::string& name,
                                      std::uint32_t* type, std::uint8_t* data,
                                      std::uint32_t* size) {
    const std::uint32_t capacity = size != nullptr ? *size : 0;
    const std::uint32_t valueType = what == kCounterTable ? win32::kRegMultiSz : win32::kRegBinary;
    const std::vector<std::uint8_t>& value = m_made[what];
    // A system whose counter-name table lacks the standard names serves no
    // such object either, and asking costs: Wine loads its performance
    // providers for it, and the printing back end with them.
    if (what != kCounterTable && m_systemAnswer[what] == SystemAnswer::kUnknown &&
        m_systemAnswer[kCounterTable] == SystemAnswer::kLacks) {
        m_systemAnswer[what] = SystemAnswer::kLacks;
    }
    if (m_systemAnswer[what] == SystemAnswer::kLacks) {
        return Make(what) ? AnswerQueryValue(value, valueType, capacity, type, data, size)
                                 : m_registry.QueryValue(key, name, type, data, size);
    }
    const std::int32_t status = m_registry.QueryValue(key, name, type, data, size);
    if (status == win32::kErrorSuccess && data != nullptr && size != nullptr) {
        const std::uint32_t shown = *size <= capacity ? *size : capacity;
        m_systemAnswer[what] =
            ValueServes(what, data, shown) ? SystemAnswer::kServes : SystemAnswer::kLacks;
    } else if ((status == win32::kErrorSuccess || status == win32::kErrorMoreData) &&
               m_systemAnswer[what] == SystemAnswer::kUnknown) {
        // The caller's buffer did not show the system's value whole.
        m_systemAnswer[what] = SystemValueServes(key, name, what) ? SystemAnswer::kServes
                                                                  : SystemAnswer::kLacks;
    }
    // One source per object once chosen: a block of the other source's shape
    // would put the positions stored by a refresh on other instances.
    if (m_systemAnswer[what] == SystemAnswer::kServes) {
        return status;
    }
    if (!Make(what)) {
        return status;
    }
    m_systemAnswer[what] = SystemAnswer::kLacks;
    return AnswerQueryValue(value, valueType, capacity, type, data, size);
}

bool SyntheticPerfData::SystemValueServes(win32::RegKey key, const std::string& name,
                                          Served what) {
    std::uint32_t capacity = kFirstSystemRead;
    for (;;) {
        std::vector<std::uint8_t> value(capacity);
        std::uint32_t size = capacity;
        const std::int32_t status = m_registry.QueryValue(key, name, nullptr, value.data(), &size);
        if (status == win32::kErrorSuccess) {
            return size <= capacity && ValueServes(what, value.data(), size);
        }
        if (status != win32::kErrorMoreData || capacity >= kSystemReadCap) {
            return false;
        }
        capacity = static_cast<std::uint32_t>(
            GrownBufferSize(capacity, size, kSystemReadMargin, kSystemReadCap));
    }
}

bool SyntheticPerfData::Make(Served what) {
    switch (what) {
        case kCounterTable:
            m_made[what] = StandardTable();
            return true;
        case kProcessorObject:
            return MakeProcessorBlock(m_made[what]);
        default:
            return MakeProcessBlock(m_made[what]);
    }
}

// Sampled once a second, the block keeps its layout while the processors
// stay: only its times change, written in place. The block is laid out
// anew, and where its values lie found again, when their number changes.
bool SyntheticPerfData::MakeProcessorBlock(std::vector<std::uint8_t>& value) {
    if (!m_system.ReadProcessorIdleTimes(m_idle)) {
        return false;
    }
    const SystemClock clock = m_system.ReadClock();
    if (m_idleOffsets.size() != m_idle.size() + 1) {
        // Laid out only: its times and clock are written below.
        perf::BlockSpec spec;
        perf::ObjectSpec object;
        object.nameTitleIndex = kProcessorIndex;
        object.counters.push_back({kProcessorTimeIndex, perf::kCounterTypeTimer100NsInv, 8});
        object.instances = perf::ProcessorInstances(m_idle);
        spec.objects.push_back(std::move(object));
        value = perf::BuildPerfBlock(spec);
        m_idleOffsets = ValueOffsets(value);
    }
    for (std::size_t i = 0; i < m_idle.size(); ++i) {
        std::memcpy(value.data() + m_idleOffsets[i], &m_idle[i], sizeof(std::int64_t));
    }
    const std::int64_t total = perf::TotalIdle(m_idle);
    std::memcpy(value.data() + m_idleOffsets.back(), &total, sizeof(total));
    const std::size_t object = sizeof(perf::PerfDataBlock);
    std::memcpy(value.data() + offsetof(perf::PerfDataBlock, PerfTime), &clock.counter, 8);
    std::memcpy(value.data() + offsetof(perf::PerfDataBlock, PerfFreq), &clock.frequency, 8);
    std::memcpy(value.data() + offsetof(perf::PerfDataBlock, PerfTime100nSec), &clock.time100ns, 8);
    std::memcpy(value.data() + object + offsetof(perf::PerfObjectType, PerfTime), &clock.counter, 8);
    std::memcpy(value.data() + object + offsetof(perf::PerfObjectType, PerfFreq), &clock.frequency, 8);
    return true;
}

// "Idle" is the processors' idle time, as the system's idle process counts
// it; "_Total" is the sum of every instance.
bool SyntheticPerfData::MakeProcessBlock(std::vector<std::uint8_t>& value) {
    std::vector<std::int64_t> idle;
    std::vector<ProcessTime> processes;
    if (!m_system.ReadProcessorIdleTimes(idle) || !m_system.ReadProcessTimes(processes)) {
        return false;
    }
    perf::BlockSpec spec = StampedBlock(m_system);
    perf::ObjectSpec object;
    object.nameTitleIndex = kProcessIndex;
    object.counters.push_back({kProcessorTimeIndex, perf::kCounterTypeTimer100Ns, 8});
    std::int64_t total = Sum(idle);
    object.instances.push_back(Instance(u"Idle", total));
    for (const ProcessTime& process : processes) {
        if (process.processId == 0) {
            continue;
        }
        total += process.cpuTime;
        const std::u16string name = InstanceName(process.imageName);
        if (!name.empty()) {
            object.instances.push_back(Instance(name, process.cpuTime));
        }
    }
    object.instances.push_back(Instance(u"_Total", total));
    spec.objects.push_back(std::move(object));
    value = perf::BuildPerfBlock(spec);
    return true;
}

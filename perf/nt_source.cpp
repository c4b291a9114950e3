// The NT side of the query: the counter-name table and the performance data
// blocks. Every read of a block is checked against the bytes the registry
// actually returned.
#include <cstdlib>
#include <cstring>

#include "perf/perf_layout.h"
#include "perf/perf_query.h"
#include "platform/buffer_growth.h"
#include "platform/registry_api.h"
#include "registry/registry_object.h"

namespace {

constexpr std::uint32_t kFirstFetchSize = 15360;
constexpr std::uint32_t kFetchMargin = 4096;
constexpr std::uint32_t kFetchCap = 64u * 1024u * 1024u;

std::vector<std::string> ReadCounterTable() {
    LocalMachineRegistryObject machine;
    std::vector<std::string> table;
    machine.GetStringList(perf::kCounterTableKey, perf::kCounterTableValue, table);
    return table;
}

// The table holds index, name, index, name, ...
std::string TitleIndexOf(const std::vector<std::string>& table, const std::string& name) {
    for (std::size_t i = 0; i + 1 < table.size(); i += 2) {
        if (table[i + 1] == name) {
            return table[i];
        }
    }
    return std::string();
}

std::string TitleNameOf(const std::vector<std::string>& table, std::int32_t index) {
    for (std::size_t i = 0; i + 1 < table.size(); i += 2) {
        if (std::atol(table[i].c_str()) == index) {
            return table[i + 1];
        }
    }
    return std::string();
}

class BlockReader {
public:
    BlockReader(const std::uint8_t* data, std::uint32_t size) : m_data(data), m_size(size) {}

    template <typename T>
    bool Read(std::uint64_t offset, T& out) const {
        if (offset > m_size || m_size - offset < sizeof(T)) {
            return false;
        }
        std::memcpy(&out, m_data + offset, sizeof(T));
        return true;
    }

    // A zero-terminated UTF-16 text narrowed to its low bytes.
    bool ReadName(std::uint64_t offset, std::string& out) const {
        out.clear();
        for (std::uint64_t at = offset;; at += 2) {
            std::uint16_t unit = 0;
            if (!Read(at, unit)) {
                return false;
            }
            if (unit == 0) {
                return true;
            }
            out.push_back(static_cast<char>(unit & 0xFFu));
        }
    }

    bool Bytes(std::uint64_t offset, std::uint32_t count) const {
        return offset <= m_size && m_size - offset >= count;
    }
    const std::uint8_t* At(std::uint64_t offset) const { return m_data + offset; }

private:
    const std::uint8_t* m_data;
    std::uint32_t m_size;
};

struct FirstObject {
    perf::PerfDataBlock header{};
    perf::PerfObjectType object{};
    std::uint64_t offset = 0;
};

bool ReadFirstObject(const BlockReader& block, FirstObject& out) {
    if (!block.Read(0, out.header) || out.header.NumObjectTypes == 0) {
        return false;
    }
    out.offset = out.header.HeaderLength;
    return block.Read(out.offset, out.object);
}

// Lengths shorter than their own record would revisit the same bytes.
bool ReadDefinition(const BlockReader& block, std::uint64_t offset,
                    perf::PerfCounterDefinition& out) {
    return block.Read(offset, out) && out.ByteLength >= sizeof(perf::PerfCounterDefinition);
}

bool ReadInstance(const BlockReader& block, std::uint64_t offset,
                  perf::PerfInstanceDefinition& instance, std::uint64_t& counterBlock,
                  std::uint64_t& next) {
    perf::PerfCounterBlock counters{};
    if (!block.Read(offset, instance) ||
        instance.ByteLength < sizeof(perf::PerfInstanceDefinition)) {
        return false;
    }
    counterBlock = offset + instance.ByteLength;
    if (!block.Read(counterBlock, counters) ||
        counters.ByteLength < sizeof(perf::PerfCounterBlock)) {
        return false;
    }
    next = counterBlock + counters.ByteLength;
    return true;
}

}  // namespace

bool CPerfQuery::FetchObjectData(std::uint32_t& byteCount) {
    if (m_block.size() < kFirstFetchSize) {
        m_block.assign(kFirstFetchSize, 0);
    }
    for (;;) {
        const std::uint32_t capacity = static_cast<std::uint32_t>(m_block.size());
        std::uint32_t size = capacity;
        const std::int32_t status =
            Registry().QueryValue(m_hRoot, m_strObjectIndex, nullptr, m_block.data(), &size);
        if (status == win32::kErrorSuccess && size <= capacity) {
            byteCount = size;
            return true;
        }
        if (status != win32::kErrorMoreData || capacity >= kFetchCap) {
            return false;
        }
        // The old bytes are of no use: a fresh buffer, not a copy.
        m_block.assign(static_cast<std::size_t>(
                           GrownBufferSize(capacity, size, kFetchMargin, kFetchCap)),
                       0);
    }
}

bool CPerfQuery::RefreshNt() {
    m_nCounterIndex = -1;
    m_nInstanceIndex = -1;
    // A table that changed takes effect here, at the next refresh.
    const std::vector<std::string> table = ReadCounterTable();
    m_strObjectIndex = TitleIndexOf(table, m_strObject);
    std::uint32_t byteCount = 0;
    if (!FetchObjectData(byteCount)) {
        ReadFailed();
        return false;
    }
    m_bOpen = true;
    TakeHold();

    const BlockReader block(m_block.data(), byteCount);
    FirstObject first;
    bool intact = ReadFirstObject(block, first);
    std::uint64_t offset = first.offset + first.object.HeaderLength;
    const std::int64_t numCounters = static_cast<std::int32_t>(first.object.NumCounters);
    for (std::int32_t i = 0; intact && i < numCounters; ++i) {
        perf::PerfCounterDefinition definition{};
        intact = ReadDefinition(block, offset, definition);
        if (intact &&
            TitleNameOf(table, static_cast<std::int32_t>(definition.CounterNameTitleIndex)) ==
                m_strCounter) {
            m_nCounterIndex = i;
            break;
        }
        offset += definition.ByteLength;
    }

    if (intact && m_nCounterIndex >= 0) {
        std::vector<std::string> names;
        std::int32_t found = -1;
        offset = first.offset + first.object.DefinitionLength;
        for (std::int32_t j = 0; intact && j < first.object.NumInstances; ++j) {
            perf::PerfInstanceDefinition instance{};
            const std::uint64_t instanceOffset = offset;
            std::uint64_t counterBlock = 0;
            std::string name;
            intact = ReadInstance(block, instanceOffset, instance, counterBlock, offset) &&
                     block.ReadName(instanceOffset + instance.NameOffset, name);
            if (intact) {
                if (name == m_strInstance) {
                    found = j;
                }
                names.push_back(std::move(name));
            }
        }
        if (intact) {
            m_nInstanceIndex = found;
            m_instanceNames = std::move(names);
        }
    }
    if (!intact) {
        m_nCounterIndex = -1;
        m_nInstanceIndex = -1;
    }
    return m_nCounterIndex >= 0 && m_nInstanceIndex >= 0;
}

bool CPerfQuery::SampleNt(std::uint8_t*& data, std::uint32_t& size, std::uint32_t& counterType) {
    if (m_nCounterIndex < 0 || m_nInstanceIndex < 0) {
        return false;
    }
    std::uint32_t byteCount = 0;
    if (!FetchObjectData(byteCount)) {
        ReadFailed();
        return false;
    }
    const BlockReader block(m_block.data(), byteCount);
    FirstObject first;
    bool intact = ReadFirstObject(block, first) &&
                  m_nCounterIndex < static_cast<std::int32_t>(first.object.NumCounters) &&
                  m_nInstanceIndex < first.object.NumInstances;

    perf::PerfCounterDefinition definition{};
    std::uint64_t offset = first.offset + first.object.HeaderLength;
    for (std::int32_t i = 0; intact && i <= m_nCounterIndex; ++i) {
        intact = ReadDefinition(block, offset, definition);
        offset += definition.ByteLength;
    }

    std::uint64_t counterBlock = 0;
    offset = first.offset + first.object.DefinitionLength;
    for (std::int32_t j = 0; intact && j <= m_nInstanceIndex; ++j) {
        perf::PerfInstanceDefinition instance{};
        const std::uint64_t instanceOffset = offset;
        intact = ReadInstance(block, instanceOffset, instance, counterBlock, offset);
        // Instances move when processes come and go: another one's counter
        // must never pass for the watched one's.
        if (intact && j == m_nInstanceIndex) {
            std::string name;
            intact = block.ReadName(instanceOffset + instance.NameOffset, name) &&
                     name == m_strInstance;
        }
    }

    const std::uint64_t valueOffset = counterBlock + definition.CounterOffset;
    if (intact && block.Bytes(valueOffset, definition.CounterSize)) {
        counterType = definition.CounterType;
        size = definition.CounterSize;
        data = new std::uint8_t[size];
        std::memcpy(data, block.At(valueOffset), size);
        m_perfTime = first.header.PerfTime;
        m_perfFreq = first.header.PerfFreq;
        m_perfTime100nSec = first.header.PerfTime100nSec;
    } else {
        intact = false;
    }
    return intact;
}

#include "perf/perf_block_builder.h"

#include <cstring>

#include "perf/perf_layout.h"

namespace perf {
namespace {

std::uint32_t RoundUp8(std::size_t n) { return static_cast<std::uint32_t>((n + 7u) & ~std::size_t{7u}); }

template <typename T>
void Append(std::vector<std::uint8_t>& out, const T& record) {
    const std::size_t at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, &record, sizeof(T));
}

template <typename T>
void Store(std::vector<std::uint8_t>& out, std::size_t at, const T& record) {
    std::memcpy(out.data() + at, &record, sizeof(T));
}

void PadTo8(std::vector<std::uint8_t>& out) { out.resize(RoundUp8(out.size()), 0); }

// Values sit after the PERF_COUNTER_BLOCK header, each on its own size.
std::vector<std::uint32_t> CounterOffsets(const std::vector<CounterSpec>& counters,
                                          std::uint32_t& blockLength) {
    std::vector<std::uint32_t> offsets;
    std::uint32_t at = 8;
    for (const CounterSpec& counter : counters) {
        offsets.push_back(at);
        at += counter.size;
    }
    blockLength = RoundUp8(at);
    return offsets;
}

void AppendCounterBlock(std::vector<std::uint8_t>& out, const std::vector<CounterSpec>& counters,
                        const std::vector<std::uint32_t>& offsets, std::uint32_t blockLength,
                        const std::vector<std::uint64_t>& values) {
    const std::size_t start = out.size();
    out.resize(start + blockLength, 0);
    Store(out, start, PerfCounterBlock{blockLength});
    for (std::size_t i = 0; i < counters.size() && i < values.size(); ++i) {
        const std::uint64_t value = values[i];
        const std::size_t width = counters[i].size < 8 ? counters[i].size : 8;
        std::memcpy(out.data() + start + offsets[i], &value, width);
    }
}

void AppendObject(std::vector<std::uint8_t>& out, const ObjectSpec& object, const BlockSpec& spec) {
    const std::size_t start = out.size();
    Append(out, PerfObjectType{});
    std::uint32_t counterBlockLength = 0;
    const std::vector<std::uint32_t> offsets = CounterOffsets(object.counters, counterBlockLength);
    for (std::size_t i = 0; i < object.counters.size(); ++i) {
        PerfCounterDefinition definition{};
        definition.ByteLength = sizeof(PerfCounterDefinition);
        definition.CounterNameTitleIndex = object.counters[i].nameTitleIndex;
        definition.CounterHelpTitleIndex = object.counters[i].nameTitleIndex + 1;
        definition.CounterType = object.counters[i].type;
        definition.CounterSize = object.counters[i].size;
        definition.CounterOffset = offsets[i];
        Append(out, definition);
    }
    const std::size_t definitionLength = out.size() - start;
    if (object.hasInstances) {
        for (const InstanceSpec& instance : object.instances) {
            const std::size_t instanceStart = out.size();
            Append(out, PerfInstanceDefinition{});
            for (const char16_t unit : instance.name) {
                Append(out, static_cast<std::uint16_t>(unit));
            }
            Append(out, std::uint16_t{0});
            PadTo8(out);
            PerfInstanceDefinition definition{};
            definition.ByteLength = static_cast<std::uint32_t>(out.size() - instanceStart);
            definition.UniqueID = -1;
            definition.NameOffset = sizeof(PerfInstanceDefinition);
            definition.NameLength = static_cast<std::uint32_t>((instance.name.size() + 1) * 2);
            Store(out, instanceStart, definition);
            AppendCounterBlock(out, object.counters, offsets, counterBlockLength, instance.values);
        }
    } else {
        AppendCounterBlock(out, object.counters, offsets, counterBlockLength, object.values);
    }
    PerfObjectType header{};
    header.TotalByteLength = static_cast<std::uint32_t>(out.size() - start);
    header.DefinitionLength = static_cast<std::uint32_t>(definitionLength);
    header.HeaderLength = sizeof(PerfObjectType);
    header.ObjectNameTitleIndex = object.nameTitleIndex;
    header.ObjectHelpTitleIndex = object.nameTitleIndex + 1;
    header.NumCounters = static_cast<std::uint32_t>(object.counters.size());
    header.NumInstances =
        object.hasInstances ? static_cast<std::int32_t>(object.instances.size()) : kNoInstances;
    header.PerfTime = spec.perfTime;
    header.PerfFreq = spec.perfFreq;
    Store(out, start, header);
}

}  // namespace

std::vector<std::uint8_t> BuildPerfBlock(const BlockSpec& spec) {
    std::vector<std::uint8_t> out;
    Append(out, PerfDataBlock{});
    for (const ObjectSpec& object : spec.objects) {
        AppendObject(out, object, spec);
    }
    PerfDataBlock header{};
    header.Signature[0] = 'P';
    header.Signature[1] = 'E';
    header.Signature[2] = 'R';
    header.Signature[3] = 'F';
    header.LittleEndian = 1;
    header.Version = 1;
    header.Revision = 1;
    header.TotalByteLength = static_cast<std::uint32_t>(out.size());
    header.HeaderLength = sizeof(PerfDataBlock);
    header.NumObjectTypes = static_cast<std::uint32_t>(spec.objects.size());
    header.DefaultObject = -1;
    header.PerfTime = spec.perfTime;
    header.PerfFreq = spec.perfFreq;
    header.PerfTime100nSec = spec.perfTime100nSec;
    Store(out, 0, header);
    return out;
}

}  // namespace perf

// Arbitrary bytes pick two blocks of look-alike process names: the query
// refreshes on the first and samples on the second (instances reordered,
// removed or renamed, the block cut short, its instance count shrunk).
// Every counter holds the number of its instance's name, so a sample taken
// from another instance than the watched one shows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "perf/perf_query.h"
#include "testing/fake_system.h"
#include "testing/memory_registry.h"

namespace {

const char* const kNames[] = {"watched", "Watched", "watched#1", "watche", "_Total", ""};
constexpr std::size_t kNameCount = sizeof(kNames) / sizeof(kNames[0]);

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::uint8_t Next() { return m_at < m_size ? m_data[m_at++] : 0; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

std::vector<std::uint8_t> ProcessBlock(Bytes& bytes) {
    perf::ObjectSpec object;
    object.nameTitleIndex = 230;
    object.counters = {{6, perf::kCounterTypeTimer100Ns, 8}};
    const int count = bytes.Next() % 9;
    for (int i = 0; i < count; ++i) {
        const std::size_t name = bytes.Next() % kNameCount;
        const std::string narrow = kNames[name];
        object.instances.push_back({std::u16string(narrow.begin(), narrow.end()), {name + 1}});
    }
    perf::BlockSpec spec;
    spec.objects.push_back(object);
    return perf::BuildPerfBlock(spec);
}

// Cuts the block short or lowers its instance count; never touches a value.
void Shrink(Bytes& bytes, std::vector<std::uint8_t>& block) {
    const std::uint8_t how = bytes.Next();
    if ((how & 0x80) != 0) {
        block.resize(block.size() * (how & 0x7Fu) / 128u);
    } else if ((how & 0x40) != 0 && block.size() >= sizeof(perf::PerfDataBlock)) {
        const std::size_t at = sizeof(perf::PerfDataBlock) + offsetof(perf::PerfObjectType, NumInstances);
        std::int32_t instances = 0;
        std::memcpy(&instances, block.data() + at, sizeof(instances));
        instances = instances > 0 ? instances - 1 - (how & 0x0F) % instances : 0;
        std::memcpy(block.data() + at, &instances, sizeof(instances));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);
    const std::size_t watched = bytes.Next() % kNameCount;
    const std::vector<std::uint8_t> refreshed = ProcessBlock(bytes);
    std::vector<std::uint8_t> sampled = ProcessBlock(bytes);
    Shrink(bytes, sampled);
    const std::vector<std::uint8_t>* served = &refreshed;

    MemoryRegistry registry;
    FakeSystem system;
    SetRegistry(&registry);
    SetSystem(&system);
    registry.PutMultiString("", win32::kRootLocalMachine,
                            "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009",
                            "Counter", {"6", "% Processor Time", "230", "Process"});
    registry.SetPerformanceDataHandler(
        [&served](const std::string&, const std::string&, const std::string&, std::uint32_t*,
                  std::uint8_t* out, std::uint32_t* outSize) {
            if (out == nullptr || *outSize < served->size()) {
                *outSize = static_cast<std::uint32_t>(served->size());
                return win32::kErrorMoreData;
            }
            std::memcpy(out, served->data(), served->size());
            *outSize = static_cast<std::uint32_t>(served->size());
            return win32::kErrorSuccess;
        });
    {
        CPerfQuery query;
        query.Open("Process", "% Processor Time", kNames[watched], "");
        served = &sampled;
        std::uint8_t* value = nullptr;
        std::uint32_t valueSize = 0;
        std::uint32_t type = 0;
        if (query.Sample(value, valueSize, type)) {
            std::uint64_t number = 0;
            std::memcpy(&number, value, valueSize < sizeof(number) ? valueSize : sizeof(number));
            delete[] value;
            if (number != watched + 1) {
                std::abort();
            }
        }
    }
    SetRegistry(nullptr);
    SetSystem(nullptr);
    return 0;
}

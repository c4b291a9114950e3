// Arbitrary bytes: the first byte splits the input into a counter-name table
// (REG_MULTI_SZ) and the performance data block that refresh and sample walk.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <sanitizer/asan_interface.h>

#include "perf/perf_query.h"
#include "testing/fake_system.h"
#include "testing/memory_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t tableBytes = data[0] < size - 1 ? data[0] : size - 1;
    const std::vector<std::uint8_t> table(data + 1, data + 1 + tableBytes);
    const std::vector<std::uint8_t> block(data + 1 + tableBytes, data + size);

    MemoryRegistry registry;
    FakeSystem system;
    SetRegistry(&registry);
    SetSystem(&system);
    registry.Put("", win32::kRootLocalMachine,
                 "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009", "Counter",
                 win32::kRegMultiSz, table);
    registry.SetPerformanceDataHandler(
        [&block](const std::string&, const std::string&, const std::string&, std::uint32_t*,
                 std::uint8_t* out, std::uint32_t* outSize) {
            if (*outSize < block.size()) {
                *outSize = static_cast<std::uint32_t>(block.size());
                return win32::kErrorMoreData;
            }
            std::copy(block.begin(), block.end(), out);
            // The query's buffer is larger than the block it gets: a read past
            // the bytes returned must crash, not quietly find zeros.
            ASAN_POISON_MEMORY_REGION(out + block.size(), *outSize - block.size());
            *outSize = static_cast<std::uint32_t>(block.size());
            return win32::kErrorSuccess;
        });
    {
        CPerfQuery query;
        query.Open("Processor", "% Processor Time", "_Total", "");
        std::vector<std::string> names;
        query.GetInstanceNames(names);
        std::uint8_t* value = nullptr;
        std::uint32_t valueSize = 0;
        std::uint32_t type = 0;
        if (query.Sample(value, valueSize, type)) {
            delete[] value;
        }
    }
    SetRegistry(nullptr);
    SetSystem(nullptr);
    return 0;
}

// Writes the seed corpora: real shapes from the performance block builder,
// so the fuzzers start from valid inputs and mutate outward. Run again after
// changing it.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// The harness's input: a length byte, the counter-name table, the block.
Bytes PerfInput(const std::vector<std::string>& table, const Bytes& block) {
    Bytes out(1, 0);
    for (const std::string& entry : table) {
        out.insert(out.end(), entry.begin(), entry.end());
        out.push_back(0);
    }
    out.push_back(0);
    out[0] = static_cast<std::uint8_t>(out.size() - 1);
    out.insert(out.end(), block.begin(), block.end());
    return out;
}

perf::ObjectSpec Processor(const std::vector<std::u16string>& names) {
    perf::ObjectSpec object;
    object.nameTitleIndex = 238;
    object.counters = {{142, perf::kCounterTypeTimer100Ns, 8},
                       {6, perf::kCounterTypeTimer100NsInv, 8}};
    std::uint64_t value = 1000;
    for (const std::u16string& name : names) {
        object.instances.push_back({name, {value, value / 2}});
        value += 977;
    }
    return object;
}

Bytes Block(std::vector<perf::ObjectSpec> objects) {
    perf::BlockSpec spec;
    spec.perfTime = 123456789;
    spec.perfFreq = 10000000;
    spec.perfTime100nSec = 132000000000000000;
    spec.objects = std::move(objects);
    return perf::BuildPerfBlock(spec);
}

bool WritePerfSeeds(const std::string& dir) {
    const std::vector<std::string> names = {"6", "% Processor Time", "238", "Processor"};
    // Indices with gaps, a pair left open at the end, and names in any order.
    const std::vector<std::string> gapped = {"2",   "System",  "6",   "% Processor Time",
                                             "142", "% User Time", "230", "Process",
                                             "238", "Processor",   "1024"};

    std::vector<std::u16string> many;
    for (int i = 0; i < 31; ++i) {
        many.push_back(std::u16string(u"cpu") + static_cast<char16_t>(u'A' + i % 26));
    }
    many.push_back(u"_Total");

    perf::ObjectSpec odd = Processor({u"a", u"abc", u"_Total", u"seven77"});
    odd.counters = {{2, 0x00010000u, 4}, {6, perf::kCounterTypeTimer100NsInv, 8},
                    {142, perf::kCounterTypeTimer100Ns, 4}};

    perf::ObjectSpec system;
    system.nameTitleIndex = 2;
    system.counters = {{6, perf::kCounterTypeTimer100NsInv, 8}};
    system.hasInstances = false;
    system.values = {5};

    perf::ObjectSpec process = Processor({u"Idle", u"app", u"_Total"});
    process.nameTitleIndex = 230;

    const struct {
        const char* name;
        Bytes input;
    } seeds[] = {
        {"processor_total", PerfInput(names, Block({Processor({u"0", u"1", u"_Total"})}))},
        {"many_instances", PerfInput(names, Block({Processor(many)}))},
        {"odd_lengths", PerfInput(gapped, Block({odd}))},
        {"several_objects", PerfInput(gapped, Block({Processor({u"0", u"_Total"}), system, process}))},
        {"no_instances", PerfInput(gapped, Block({system, Processor({u"_Total"})}))},
        {"no_table", PerfInput({}, Block({Processor({u"_Total"})}))},
    };
    for (const auto& seed : seeds) {
        if (!WriteFile(dir + "/" + seed.name, seed.input)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const std::string corpus = argv[1];
    if (!WritePerfSeeds(corpus + "/perf_block")) {
        std::fprintf(stderr, "cannot write the seeds under %s\n", corpus.c_str());
        return 1;
    }
    return 0;
}

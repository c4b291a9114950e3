// Writes the seed corpora: real shapes from the performance block builder and
// the test bitmap writer, so the fuzzers start from valid inputs and mutate
// outward. Run again after changing either.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "tests/taskicon/bmp_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

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

void SetField32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

// The masks after a 40-byte header, as BI_BITFIELDS lays them out.
Bytes WithBitfields(Bytes bytes, std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    const std::uint32_t masks[3] = {red, green, blue};
    const auto at = static_cast<std::ptrdiff_t>(14 + 40);
    bytes.insert(bytes.begin() + at, reinterpret_cast<const std::uint8_t*>(masks),
                 reinterpret_cast<const std::uint8_t*>(masks) + sizeof(masks));
    SetField32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    SetField32(bytes, 10, 14 + 40 + sizeof(masks));
    SetField32(bytes, 30, 3);
    return bytes;
}

bool WriteBmpSeeds(const std::string& dir) {
    // Odd width so every depth pads its rows.
    const std::vector<ColorRef> palette = {Rgb(0, 0, 0),     Rgb(255, 255, 255), Rgb(0, 128, 128),
                                           Rgb(0, 128, 129), Rgb(200, 16, 16),   Rgb(16, 200, 16)};
    BmpPicture picture;
    picture.width = 7;
    picture.height = 3;
    for (int i = 0; i < 21; ++i) {
        picture.pixels.push_back(palette[static_cast<std::size_t>(i) % palette.size()]);
    }
    BmpPicture twoColour = picture;
    for (ColorRef& c : twoColour.pixels) {
        c = c == palette[1] ? palette[1] : palette[0];
    }
    const std::vector<ColorRef> monochrome(palette.begin(), palette.begin() + 2);

    for (const int bits : {1, 4, 8, 16, 24, 32}) {
        for (const bool topDown : {false, true}) {
            const Bytes bytes = bits == 1   ? EncodeBmp(twoColour, 1, topDown, monochrome)
                                : bits <= 8 ? EncodeBmp(picture, bits, topDown, palette)
                                            : EncodeBmp(picture, bits, topDown);
            const std::string name = "depth" + std::to_string(bits) +
                                     (topDown ? "_topdown.bmp" : "_bottomup.bmp");
            if (!WriteFile(dir + "/" + name, bytes)) {
                return false;
            }
        }
    }
    return WriteFile(dir + "/bitfields565.bmp",
                     WithBitfields(EncodeBmp(picture, 16, false), 0xF800, 0x07E0, 0x001F)) &&
           WriteFile(dir + "/bitfields32_topdown.bmp",
                     WithBitfields(EncodeBmp(picture, 32, true), 0xFF, 0xFF00, 0xFF0000));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const std::string corpus = argv[1];
    if (!WritePerfSeeds(corpus + "/perf_block") || !WriteBmpSeeds(corpus + "/bmp_reader")) {
        std::fprintf(stderr, "cannot write the seeds under %s\n", corpus.c_str());
        return 1;
    }
    return 0;
}

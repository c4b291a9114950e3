// How a buffer grows when its source says it was too short: at least
// twofold and past what the source reported plus a margin, so a large value
// costs a few rounds, and never past a cap, so a lying size cannot exhaust
// memory.
#pragma once

#include <cstdint>

inline std::uint64_t GrownBufferSize(std::uint64_t current, std::uint64_t reported,
                                     std::uint64_t margin, std::uint64_t cap) {
    std::uint64_t wanted = current * 2u;
    if (reported + margin > wanted) {
        wanted = reported + margin;
    }
    return wanted > cap ? cap : wanted;
}

// Arbitrary bytes as a bitmap file: the reader must refuse or read, never
// crash, and never allocate past its size limits.
#include <cstddef>
#include <cstdint>

#include "testing/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bmp::Image image;
    if (bmp::ReadBitmap(data, size, &image)) {
        if (image.width <= 0 || image.width > bmp::kMaxWidth || image.height <= 0 ||
            image.height > bmp::kMaxHeight ||
            image.pixels.size() != static_cast<std::size_t>(image.width) *
                                       static_cast<std::size_t>(image.height)) {
            __builtin_trap();
        }
    }
    return 0;
}

#include "tests/taskicon/bmp_writer.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

namespace {

void Put(std::vector<std::uint8_t>* out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Files store blue first.
std::uint32_t Bgr(ColorRef c) { return (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu); }

}  // namespace

bool WriteBmp(const std::string& path, const BmpPicture& picture, int bits,
              const std::vector<ColorRef>& palette) {
    const auto width = static_cast<std::uint32_t>(picture.width);
    const auto height = static_cast<std::uint32_t>(picture.height);
    const auto depth = static_cast<std::uint32_t>(bits);
    const std::uint32_t stride = (width * depth + 31) / 32 * 4;
    const auto offset = static_cast<std::uint32_t>(14 + 40 + 4 * palette.size());
    std::vector<std::uint8_t> out;
    Put(&out, 0x4D42, 2);
    for (const std::uint32_t field : {offset + stride * height, 0u, offset, 40u, width, height}) {
        Put(&out, field, 4);
    }
    Put(&out, 1, 2);
    Put(&out, depth, 2);
    for (const std::uint32_t field : {0u, stride * height, 2835u, 2835u,
                                      static_cast<std::uint32_t>(palette.size()), 0u}) {
        Put(&out, field, 4);
    }
    for (const ColorRef c : palette) {
        Put(&out, Bgr(c), 4);
    }
    for (std::uint32_t row = height; row-- > 0;) {
        std::vector<std::uint8_t> line(stride, 0);
        for (std::uint32_t x = 0; x < width; ++x) {
            const ColorRef c = picture.pixels[row * width + x];
            if (depth >= 24) {
                for (std::uint32_t i = 0; i < 3; ++i) {
                    line[x * depth / 8 + i] = static_cast<std::uint8_t>(Bgr(c) >> (8 * i));
                }
                continue;
            }
            const auto index = static_cast<std::uint32_t>(
                std::find(palette.begin(), palette.end(), c) - palette.begin());
            const std::uint32_t bit = x * depth;
            line[bit / 8] =
                static_cast<std::uint8_t>(line[bit / 8] | index << (8 - depth - bit % 8));
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

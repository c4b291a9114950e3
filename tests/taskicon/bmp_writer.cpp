#include "tests/taskicon/bmp_writer.h"

#include <fstream>

namespace {

void Put16(std::vector<std::uint8_t>* out, std::uint32_t value) {
    out->push_back(static_cast<std::uint8_t>(value));
    out->push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>* out, std::uint32_t value) {
    Put16(out, value & 0xFFFFu);
    Put16(out, value >> 16);
}

std::uint8_t Red(ColorRef c) { return static_cast<std::uint8_t>(c); }
std::uint8_t Green(ColorRef c) { return static_cast<std::uint8_t>(c >> 8); }
std::uint8_t Blue(ColorRef c) { return static_cast<std::uint8_t>(c >> 16); }

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const BmpPicture& picture, int bits, bool topDown,
                                    const std::vector<ColorRef>& palette) {
    const auto width = static_cast<std::uint32_t>(picture.width);
    const auto height = static_cast<std::uint32_t>(picture.height);
    const std::uint32_t stride = (width * static_cast<std::uint32_t>(bits) + 31) / 32 * 4;
    const auto paletteBytes = static_cast<std::uint32_t>(palette.size() * 4);
    const std::uint32_t offset = 14 + 40 + paletteBytes;
    std::vector<std::uint8_t> out;
    Put16(&out, 0x4D42);
    Put32(&out, offset + stride * height);
    Put32(&out, 0);
    Put32(&out, offset);
    Put32(&out, 40);
    Put32(&out, width);
    Put32(&out, topDown ? static_cast<std::uint32_t>(-picture.height) : height);
    Put16(&out, 1);
    Put16(&out, static_cast<std::uint32_t>(bits));
    Put32(&out, 0);
    Put32(&out, stride * height);
    Put32(&out, 2835);
    Put32(&out, 2835);
    Put32(&out, static_cast<std::uint32_t>(palette.size()));
    Put32(&out, 0);
    for (const ColorRef c : palette) {
        out.push_back(Blue(c));
        out.push_back(Green(c));
        out.push_back(Red(c));
        out.push_back(0);
    }
    for (std::uint32_t row = 0; row < height; ++row) {
        const std::uint32_t y = topDown ? row : height - 1 - row;
        std::vector<std::uint8_t> line(stride, 0);
        for (std::uint32_t x = 0; x < width; ++x) {
            const ColorRef c = picture.pixels[y * width + x];
            if (bits == 16) {
                const std::uint32_t value =
                    static_cast<std::uint32_t>(Red(c) >> 3) << 10 |
                    static_cast<std::uint32_t>(Green(c) >> 3) << 5 |
                    static_cast<std::uint32_t>(Blue(c) >> 3);
                line[2 * x] = static_cast<std::uint8_t>(value);
                line[2 * x + 1] = static_cast<std::uint8_t>(value >> 8);
                continue;
            }
            if (bits == 24 || bits == 32) {
                const std::uint32_t at = x * static_cast<std::uint32_t>(bits) / 8;
                line[at] = Blue(c);
                line[at + 1] = Green(c);
                line[at + 2] = Red(c);
                continue;
            }
            std::uint32_t index = 0;
            while (index < palette.size() && palette[index] != c) {
                ++index;
            }
            const std::uint32_t bit = x * static_cast<std::uint32_t>(bits);
            const std::uint32_t shift = 8 - static_cast<std::uint32_t>(bits) - bit % 8;
            line[bit / 8] = static_cast<std::uint8_t>(line[bit / 8] | (index << shift));
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

bool IsKeyedTransparent(int x, int y) { return (x + 2 * y) % 3 == 0; }

BmpPicture KeyedPattern(int width, int height) {
    BmpPicture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(IsKeyedTransparent(x, y) ? Rgb(0, 128, 128)
                                                              : Rgb(0, 128, 129));
        }
    }
    return picture;
}

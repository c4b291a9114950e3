#include "testing/bmp_reader.h"

#include <cstring>
#include <fstream>

namespace bmp {
namespace {

constexpr std::uint16_t kSignature = 0x4D42;  // "BM"
// The largest file a bitmap within the limits needs, with room for headers.
constexpr std::size_t kMaxFileSize = 80u * 1024u * 1024u;

std::uint8_t Scale5(unsigned value) {
    return static_cast<std::uint8_t>((value & 31u) * 255u / 31u);
}

}  // namespace

bool ReadBitmap(const std::uint8_t* data, std::size_t size, Image* image) {
    if (data == nullptr || image == nullptr || size < sizeof(FileHeader) + sizeof(InfoHeader)) {
        return false;
    }
    FileHeader file;
    std::memcpy(&file, data, sizeof(file));
    InfoHeader info;
    std::memcpy(&info, data + sizeof(file), sizeof(info));
    if (file.bfType != kSignature || info.biSize < sizeof(InfoHeader) ||
        info.biSize > size - sizeof(file) || info.biPlanes != 1 || info.biCompression != kBiRgb) {
        return false;
    }
    if (info.biWidth <= 0 || info.biWidth > kMaxWidth || info.biHeight == 0 ||
        info.biHeight < -kMaxHeight || info.biHeight > kMaxHeight) {
        return false;
    }
    const int bits = info.biBitCount;
    const bool indexed = bits == 1 || bits == 4 || bits == 8;
    if (!indexed && bits != 16 && bits != 24 && bits != 32) {
        return false;
    }

    std::vector<ColorRef> palette;
    if (indexed) {
        const std::size_t cursor = sizeof(file) + info.biSize;
        const std::uint32_t most = 1u << bits;
        const std::uint32_t count = info.biClrUsed == 0 || info.biClrUsed > most ? most
                                                                                  : info.biClrUsed;
        if ((size - cursor) / 4 < count) {
            return false;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = data + cursor + 4 * static_cast<std::size_t>(i);
            palette.push_back(Rgb(entry[2], entry[1], entry[0]));
        }
    }

    const auto width = static_cast<std::size_t>(info.biWidth);
    const bool topDown = info.biHeight < 0;
    const auto height = static_cast<std::size_t>(topDown ? -info.biHeight : info.biHeight);
    const std::size_t stride = (width * static_cast<std::size_t>(bits) + 31) / 32 * 4;
    if (file.bfOffBits > size || (size - file.bfOffBits) / stride < height) {
        return false;
    }

    Image result;
    result.width = info.biWidth;
    result.height = static_cast<int>(height);
    result.pixels.resize(width * height);
    for (std::size_t row = 0; row < height; ++row) {
        const std::uint8_t* line = data + file.bfOffBits + row * stride;
        const std::size_t y = topDown ? row : height - 1 - row;
        ColorRef* out = &result.pixels[y * width];
        for (std::size_t x = 0; x < width; ++x) {
            if (indexed) {
                const std::size_t bit = x * static_cast<std::size_t>(bits);
                const unsigned shift = 8u - static_cast<unsigned>(bits) - bit % 8;
                const unsigned index = (line[bit / 8] >> shift) & ((1u << bits) - 1u);
                out[x] = index < palette.size() ? palette[index] : Rgb(0, 0, 0);
            } else if (bits == 16) {
                const auto value = static_cast<unsigned>(line[2 * x] | (line[2 * x + 1] << 8));
                out[x] = Rgb(Scale5(value >> 10), Scale5(value >> 5), Scale5(value));
            } else {
                const std::uint8_t* p = line + x * static_cast<std::size_t>(bits) / 8;
                out[x] = Rgb(p[2], p[1], p[0]);
            }
        }
    }
    *image = std::move(result);
    return true;
}

bool ReadBitmapFile(const std::string& path, Image* image) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff length = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    if (length <= 0 || static_cast<std::uint64_t>(length) > kMaxFileSize) {
        return false;
    }
    in.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    return in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length)) &&
           ReadBitmap(bytes.data(), bytes.size(), image);
}

}  // namespace bmp

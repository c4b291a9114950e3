#include "testing/bmp_reader.h"

#include <cstring>
#include <fstream>

namespace bmp {
namespace {

constexpr std::uint16_t kSignature = 0x4D42;  // "BM"
constexpr std::uint32_t kBitfieldsSize = 12;  // three masks after a 40-byte header
// The largest file a bitmap within the limits needs, with room for headers.
constexpr std::size_t kMaxFileSize = 80u * 1024u * 1024u;

std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// One colour channel under a bit-field mask, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        while (mask != 0 && ((mask >> shift) & 1u) == 0) {
            ++shift;
        }
    }
    std::uint8_t Of(std::uint32_t value) const {
        if (mask == 0) {
            return 0;
        }
        const std::uint64_t top = mask >> shift;
        const std::uint64_t v = (value & mask) >> shift;
        return static_cast<std::uint8_t>(v * 255u / top);
    }
};

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
        info.biSize > size - sizeof(file) || info.biPlanes != 1) {
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
    const bool bitfields = info.biCompression == kBiBitfields;
    if (info.biCompression != kBiRgb && !(bitfields && (bits == 16 || bits == 32))) {
        return false;
    }

    std::size_t cursor = sizeof(file) + info.biSize;
    std::uint32_t masks[3] = {0x7C00u, 0x03E0u, 0x001Fu};
    if (bits == 32) {
        masks[0] = 0x00FF0000u;
        masks[1] = 0x0000FF00u;
        masks[2] = 0x000000FFu;
    }
    if (bitfields) {
        // A 40-byte header has its masks after it; later headers hold them.
        const std::size_t at = sizeof(file) + sizeof(InfoHeader);
        if (size - at < kBitfieldsSize) {
            return false;
        }
        for (int i = 0; i < 3; ++i) {
            masks[i] = ReadLe32(data + at + 4 * static_cast<std::size_t>(i));
        }
        if (info.biSize == sizeof(InfoHeader)) {
            cursor += kBitfieldsSize;
        }
    }

    std::vector<ColorRef> palette;
    if (indexed) {
        const std::uint32_t most = 1u << bits;
        const std::uint32_t count = info.biClrUsed == 0 || info.biClrUsed > most ? most
                                                                                  : info.biClrUsed;
        if (cursor > size || (size - cursor) / 4 < count) {
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

    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
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
            } else if (bits == 24) {
                const std::uint8_t* p = line + 3 * x;
                out[x] = Rgb(p[2], p[1], p[0]);
            } else {
                const std::uint32_t value = bits == 16
                    ? static_cast<std::uint32_t>(line[2 * x] | (line[2 * x + 1] << 8))
                    : ReadLe32(line + 4 * x);
                out[x] = Rgb(red.Of(value), green.Of(value), blue.Of(value));
            }
        }
    }
    *image = std::move(result);
    return true;
}

bool ReadBitmapFile(const std::string& path, Image* image) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length <= 0 || static_cast<std::uint64_t>(length) > kMaxFileSize) {
        return false;
    }
    in.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (!in.read(reinterpret_cast<char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()))) {
        return false;
    }
    return ReadBitmap(bytes.data(), bytes.size(), image);
}

}  // namespace bmp

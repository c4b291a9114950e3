// A reader of bitmap files for the portable pixels backend.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/nearest_scale.h"

namespace bmp {

#pragma pack(push, 2)
// BITMAPFILEHEADER.
struct FileHeader {
    std::uint16_t bfType;
    std::uint32_t bfSize;
    std::uint16_t bfReserved1;
    std::uint16_t bfReserved2;
    std::uint32_t bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(FileHeader) == 14, "BITMAPFILEHEADER is 14 bytes");
static_assert(offsetof(FileHeader, bfOffBits) == 10, "BITMAPFILEHEADER layout");

// BITMAPINFOHEADER; the V4 and V5 headers start with it.
struct InfoHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
static_assert(sizeof(InfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(offsetof(InfoHeader, biBitCount) == 14, "BITMAPINFOHEADER layout");
static_assert(offsetof(InfoHeader, biClrUsed) == 32, "BITMAPINFOHEADER layout");

constexpr std::uint32_t kBiRgb = 0;

// The program's cap on a skin's strip.
constexpr std::int32_t kMaxWidth = kMaxStripWidth;
constexpr std::int32_t kMaxHeight = kMaxStripHeight;

// Pixels row by row from the top, as 0x00BBGGRR.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<ColorRef> pixels;

    ColorRef At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// 1, 4, 8, 16 (5-5-5), 24 and 32 bits per pixel, uncompressed, either row
// order; anything else, or any byte out of place, gives false.
bool ReadBitmap(const std::uint8_t* data, std::size_t size, Image* image);
bool ReadBitmapFile(const std::string& path, Image* image);

}  // namespace bmp

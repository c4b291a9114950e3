// Writes bitmap files the way common tools lay them out, for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"

struct BmpPicture {
    int width = 0;
    int height = 0;
    std::vector<ColorRef> pixels;  // top row first
};

// 1, 4 and 8 bits use the palette (every pixel must be in it); 16 bits store
// 5-5-5 colours, 24 and 32 bits colours directly. A negative height stores
// the rows top-down.
std::vector<std::uint8_t> EncodeBmp(const BmpPicture& picture, int bits, bool topDown,
                                    const std::vector<ColorRef>& palette = {});
bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
// A picture whose pixel (x, y) is RGB(0, 128, 128) when (x + 2y) % 3 == 0,
// else RGB(0, 128, 129): the two colours the transparency rule tells apart.
BmpPicture KeyedPattern(int width, int height);
bool IsKeyedTransparent(int x, int y);

// Writes bitmap files as common tools lay them out, bottom row first.
#pragma once

#include <string>
#include <vector>

#include "platform/handles.h"

struct BmpPicture {
    int width = 0;
    int height = 0;
    std::vector<ColorRef> pixels;  // top row first
};

// 1, 4 and 8 bits index the palette, which holds every pixel's colour; 24
// and 32 bits store the colours themselves.
bool WriteBmp(const std::string& path, const BmpPicture& picture, int bits,
              const std::vector<ColorRef>& palette = {});

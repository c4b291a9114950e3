// The frame-strip contract runs against whichever pixels backend the test
// program links: the portable one natively, image lists under Wine.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/pixels_api.h"

struct IconPixels {
    int width = 0;
    int height = 0;
    std::vector<ColorRef> colour;  // top row first
    std::vector<bool> transparent;
};

std::unique_ptr<PixelsApi> MakePixelsBackend();
// Reads an icon's colour and mask back from the backend.
bool ReadIcon(PixelsApi& pixels, IconHandle icon, IconPixels* result);
// A folder the test may write files into.
std::string TempFolder();

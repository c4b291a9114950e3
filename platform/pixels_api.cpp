#include "platform/pixels_api.h"

#include <cstdlib>

namespace {
PixelsApi* g_pixels = nullptr;
}

PixelsApi& Pixels() {
    if (g_pixels == nullptr) {
        std::abort();  // the host installs a backend before any frame is cut
    }
    return *g_pixels;
}

void SetPixels(PixelsApi* pixels) { g_pixels = pixels; }

#include <cstdlib>

#include "testing/memory_pixels.h"
#include "tests/taskicon/pixels_backend.h"

std::unique_ptr<PixelsApi> MakePixelsBackend() { return std::make_unique<MemoryPixels>(); }

bool ReadIcon(PixelsApi& pixels, IconHandle icon, IconPixels* result) {
    const IconImage* image = static_cast<MemoryPixels&>(pixels).FindIcon(icon);
    if (image == nullptr) {
        return false;
    }
    result->width = image->colour.width;
    result->height = image->colour.height;
    result->colour = image->colour.pixels;
    result->transparent = image->transparent;
    return true;
}

std::string TempFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

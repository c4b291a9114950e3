// Nearest-neighbour scaling of a skin's strip of square frames: every pixel
// of the result is a copy of one source pixel, so the colour key survives
// exactly and no pixel is a blend of two.
#pragma once

#include <cstdint>

// Larger strips are refused, scaled or not: no skin needs them, and they
// bound the memory a skin may take.
constexpr std::int32_t kMaxStripWidth = 16384;
constexpr std::int32_t kMaxStripHeight = 1024;

struct StripSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The size of the strip's whole frames scaled from frameWidth to
// scaledFrameWidth pixels, its height in proportion; 0 x 0 when no frame
// fits or the result passes the cap.
StripSize ScaledStripSize(std::int32_t width, std::int32_t height, std::int32_t frameWidth,
                          std::int32_t scaledFrameWidth);

// Rows from the top; `scaled` holds ScaledStripSize's pixels. Each frame is
// scaled on its own, sampling at pixel centres: at a whole factor every
// source pixel becomes an exact block.
void ScaleStrip(const std::uint32_t* source, std::int32_t width, std::int32_t height,
                std::int32_t frameWidth, std::int32_t scaledFrameWidth, std::uint32_t* scaled);

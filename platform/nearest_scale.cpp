#include "platform/nearest_scale.h"

#include <cstddef>

namespace {

// The source coordinate whose pixel covers the centre of `to`.
std::int64_t Nearest(std::int64_t to, std::int64_t fromSize, std::int64_t toSize) {
    return ((2 * to + 1) * fromSize) / (2 * toSize);
}

}  // namespace

StripSize ScaledStripSize(std::int32_t width, std::int32_t height, std::int32_t frameWidth,
                          std::int32_t scaledFrameWidth) {
    if (width <= 0 || height <= 0 || frameWidth <= 0 || scaledFrameWidth <= 0 ||
        width > kMaxStripWidth || height > kMaxStripHeight) {
        return StripSize{};
    }
    const std::int64_t frames = width / frameWidth;
    const std::int64_t scaledWidth = frames * scaledFrameWidth;
    const std::int64_t scaledHeight = std::int64_t{height} * scaledFrameWidth / frameWidth;
    if (frames == 0 || scaledHeight == 0 || scaledWidth > kMaxStripWidth ||
        scaledHeight > kMaxStripHeight) {
        return StripSize{};
    }
    return StripSize{static_cast<std::int32_t>(scaledWidth),
                     static_cast<std::int32_t>(scaledHeight)};
}

void ScaleStrip(const std::uint32_t* source, std::int32_t width, std::int32_t height,
                std::int32_t frameWidth, std::int32_t scaledFrameWidth, std::uint32_t* scaled) {
    const StripSize size = ScaledStripSize(width, height, frameWidth, scaledFrameWidth);
    for (std::int64_t y = 0; y < size.height; ++y) {
        const std::int64_t sourceY = Nearest(y, height, size.height);
        const std::uint32_t* sourceRow = source + static_cast<std::size_t>(sourceY * width);
        std::uint32_t* row = scaled + static_cast<std::size_t>(y * size.width);
        for (std::int64_t x = 0; x < size.width; ++x) {
            const std::int64_t frame = x / scaledFrameWidth;
            const std::int64_t within = Nearest(x % scaledFrameWidth, frameWidth, scaledFrameWidth);
            row[x] = sourceRow[frame * frameWidth + within];
        }
    }
}

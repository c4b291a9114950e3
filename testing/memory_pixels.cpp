#include "testing/memory_pixels.h"

#include <cstdlib>
#include <fstream>

namespace {

std::int32_t Field32(const unsigned char* at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | at[i];
    }
    return static_cast<std::int32_t>(value);
}

// 0 x 0 for a file that is missing, not a bitmap, or shorter than its header says.
StripSize ReadBitmapSize(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    unsigned char header[26] = {};
    const std::streamoff length = file ? static_cast<std::streamoff>(file.tellg()) : 0;
    if (!file.seekg(0) || !file.read(reinterpret_cast<char*>(header), sizeof(header)) ||
        header[0] != 'B' || header[1] != 'M' || length < Field32(header + 2) ||
        Field32(header + 18) <= 0 || Field32(header + 22) == 0) {
        return StripSize{};
    }
    return StripSize{Field32(header + 18), std::abs(Field32(header + 22))};
}

StripSize BuiltInSkin(std::uint32_t resourceId) {
    return resourceId == 130 ? ReadBitmapSize(GAUGELET_BUILTIN_SKIN_FILE) : StripSize{};
}

}  // namespace

BitmapHandle MemoryPixels::LoadBitmapFile(const std::string& path) {
    const StripSize size = ReadBitmapSize(path);
    return size.width == 0 ? 0 : Add(m_bitmaps, size);
}

BitmapHandle MemoryPixels::LoadBitmapResource(std::uint32_t resourceId) {
    const StripSize skin = BuiltInSkin(resourceId);
    return skin.width == 0 ? 0 : Add(m_bitmaps, skin);
}

BitmapHandle MemoryPixels::ScaleFrames(BitmapHandle strip, int frameWidth, int scaledFrameWidth) {
    const auto found = m_bitmaps.find(strip);
    const StripSize size = found == m_bitmaps.end()
                               ? StripSize{}
                               : ScaledStripSize(found->second.width, found->second.height,
                                                 frameWidth, scaledFrameWidth);
    return size.width == 0 ? 0 : Add(m_bitmaps, size);
}

ImageListHandle MemoryPixels::LoadImageList(std::uint32_t resourceId, int frameWidth, ColorRef) {
    const StripSize skin = BuiltInSkin(resourceId);
    return skin.width == 0 ? 0 : Add(m_lists, ImageList{frameWidth, skin.width / frameWidth});
}

ImageListHandle MemoryPixels::CreateImageList(int width, int, int, int) {
    return Add(m_lists, ImageList{width, 0});
}

int MemoryPixels::AddMasked(ImageListHandle list, BitmapHandle bitmap, ColorRef) {
    const auto target = m_lists.find(list);
    const auto source = m_bitmaps.find(bitmap);
    if (target == m_lists.end() || source == m_bitmaps.end() ||
        source->second.width < target->second.width) {
        return -1;
    }
    target->second.count += source->second.width / target->second.width;
    return target->second.count - source->second.width / target->second.width;
}

int MemoryPixels::GetImageCount(ImageListHandle list) {
    const auto found = m_lists.find(list);
    return found == m_lists.end() ? 0 : found->second.count;
}

IconHandle MemoryPixels::GetIcon(ImageListHandle list, int index) {
    const auto found = m_lists.find(list);
    if (found == m_lists.end() || index < 0 || index >= found->second.count) {
        return 0;
    }
    return Add(m_icons, Icon{found->second.width, index});
}

const MemoryPixels::Icon* MemoryPixels::FindIcon(IconHandle icon) const {
    const auto found = m_icons.find(icon);
    return found == m_icons.end() ? nullptr : &found->second;
}

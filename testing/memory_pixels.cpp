#include "testing/memory_pixels.h"

BitmapHandle MemoryPixels::AddBitmap(const bmp::Image& image) {
    const BitmapHandle handle = NextHandle();
    m_bitmaps[handle] = image;
    return handle;
}

BitmapHandle MemoryPixels::LoadBitmapFile(const std::string& path) {
    bmp::Image image;
    if (!bmp::ReadBitmapFile(path, &image)) {
        return 0;
    }
    return AddBitmap(image);
}

void MemoryPixels::DeleteBitmap(BitmapHandle bitmap) {
    if (m_bitmaps.erase(bitmap) == 0) {
        ++m_badReleases;
    }
}

BitmapHandle MemoryPixels::LoadBitmapResource(std::uint32_t resourceId) {
    return resourceId == kBuiltInSkin ? LoadBitmapFile(GAUGELET_BUILTIN_SKIN_FILE) : 0;
}

BitmapHandle MemoryPixels::ScaleFrames(BitmapHandle strip, int frameWidth, int scaledFrameWidth) {
    const auto source = m_bitmaps.find(strip);
    if (source == m_bitmaps.end()) {
        return 0;
    }
    const bmp::Image& from = source->second;
    const StripSize size = ScaledStripSize(from.width, from.height, frameWidth, scaledFrameWidth);
    if (size.width == 0) {
        return 0;
    }
    bmp::Image scaled;
    scaled.width = size.width;
    scaled.height = size.height;
    scaled.pixels.resize(static_cast<std::size_t>(size.width) *
                         static_cast<std::size_t>(size.height));
    ScaleStrip(from.pixels.data(), from.width, from.height, frameWidth, scaledFrameWidth,
               scaled.pixels.data());
    return AddBitmap(scaled);
}

void MemoryPixels::AddFrames(ImageList* list, const bmp::Image& image, ColorRef mask) {
    const int count = image.width / list->width;
    for (int k = 0; k < count; ++k) {
        IconImage frame;
        frame.colour.width = list->width;
        frame.colour.height = list->height;
        const auto area = static_cast<std::size_t>(list->width) *
                          static_cast<std::size_t>(list->height);
        frame.colour.pixels.assign(area, Rgb(0, 0, 0));
        frame.transparent.assign(area, true);
        // Rows the bitmap lacks stay transparent; rows beyond the list's height are cut.
        for (int y = 0; y < list->height && y < image.height; ++y) {
            for (int x = 0; x < list->width; ++x) {
                const ColorRef colour = image.At(k * list->width + x, y);
                const auto at = static_cast<std::size_t>(y * list->width + x);
                if (colour != mask) {
                    frame.colour.pixels[at] = colour;
                    frame.transparent[at] = false;
                }
            }
        }
        list->frames.push_back(std::move(frame));
    }
}

ImageListHandle MemoryPixels::NewList(int width, int height) {
    const ImageListHandle handle = NextHandle();
    m_lists[handle] = ImageList{width, height, {}};
    return handle;
}

ImageListHandle MemoryPixels::LoadImageList(std::uint32_t resourceId, int frameWidth,
                                            ColorRef mask) {
    bmp::Image image;
    if (resourceId != kBuiltInSkin || !bmp::ReadBitmapFile(GAUGELET_BUILTIN_SKIN_FILE, &image)) {
        return 0;
    }
    const ImageListHandle handle = NewList(frameWidth, image.height);
    AddFrames(&m_lists[handle], image, mask);
    return handle;
}

ImageListHandle MemoryPixels::CreateImageList(int width, int height, int, int) {
    return NewList(width, height);
}

int MemoryPixels::AddMasked(ImageListHandle list, BitmapHandle bitmap, ColorRef mask) {
    const auto target = m_lists.find(list);
    const auto source = m_bitmaps.find(bitmap);
    if (target == m_lists.end() || source == m_bitmaps.end() ||
        source->second.width < target->second.width) {
        return -1;
    }
    const int first = static_cast<int>(target->second.frames.size());
    AddFrames(&target->second, source->second, mask);
    return first;
}

int MemoryPixels::GetImageCount(ImageListHandle list) {
    const auto found = m_lists.find(list);
    return found == m_lists.end() ? 0 : static_cast<int>(found->second.frames.size());
}

IconHandle MemoryPixels::GetIcon(ImageListHandle list, int index) {
    const auto found = m_lists.find(list);
    if (found == m_lists.end() || index < 0 ||
        index >= static_cast<int>(found->second.frames.size())) {
        return 0;
    }
    const IconHandle handle = NextHandle();
    m_icons[handle] = found->second.frames[static_cast<std::size_t>(index)];
    return handle;
}

void MemoryPixels::DestroyImageList(ImageListHandle list) {
    if (m_lists.erase(list) == 0) {
        ++m_badReleases;
    }
}

void MemoryPixels::DestroyIcon(IconHandle icon) {
    if (m_icons.erase(icon) == 0) {
        ++m_badReleases;
    }
}

const IconImage* MemoryPixels::FindIcon(IconHandle icon) const {
    const auto found = m_icons.find(icon);
    return found == m_icons.end() ? nullptr : &found->second;
}

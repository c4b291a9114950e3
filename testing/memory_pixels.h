// The portable pixels backend: plain pixel buffers behind counted handles,
// so tests can see that nothing leaked and nothing was released twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/pixels_api.h"
#include "testing/bmp_reader.h"

// An icon's picture: colour (black where transparent) and its mask.
struct IconImage {
    bmp::Image colour;
    std::vector<bool> transparent;
};

class MemoryPixels : public PixelsApi {
public:
    // The one bitmap resource: the built-in skin file.
    static constexpr std::uint32_t kBuiltInSkin = 130;

    BitmapHandle LoadBitmapFile(const std::string& path) override;
    void DeleteBitmap(BitmapHandle bitmap) override;
    BitmapHandle LoadBitmapResource(std::uint32_t resourceId) override;
    BitmapHandle ScaleFrames(BitmapHandle strip, int frameWidth, int scaledFrameWidth) override;
    ImageListHandle LoadImageList(std::uint32_t resourceId, int frameWidth,
                                  ColorRef mask) override;
    ImageListHandle CreateImageList(int width, int height, int initialCount,
                                    int growBy) override;
    int AddMasked(ImageListHandle list, BitmapHandle bitmap, ColorRef mask) override;
    int GetImageCount(ImageListHandle list) override;
    IconHandle GetIcon(ImageListHandle list, int index) override;
    void DestroyImageList(ImageListHandle list) override;
    void DestroyIcon(IconHandle icon) override;

    BitmapHandle AddBitmap(const bmp::Image& image);
    // Null for a handle that is not a live icon.
    const IconImage* FindIcon(IconHandle icon) const;

    std::size_t LiveBitmaps() const { return m_bitmaps.size(); }
    std::size_t LiveIcons() const { return m_icons.size(); }
    std::size_t LiveImageLists() const { return m_lists.size(); }
    // Releases of a handle that was not live: freed twice, or never made.
    int BadReleases() const { return m_badReleases; }

private:
    struct ImageList {
        int width = 0;
        int height = 0;
        std::vector<IconImage> frames;
    };

    std::uintptr_t NextHandle() { return ++m_lastHandle; }
    ImageListHandle NewList(int width, int height);
    void AddFrames(ImageList* list, const bmp::Image& image, ColorRef mask);

    std::uintptr_t m_lastHandle = 0x1000;
    std::map<BitmapHandle, bmp::Image> m_bitmaps;
    std::map<ImageListHandle, ImageList> m_lists;
    std::map<IconHandle, IconImage> m_icons;
    int m_badReleases = 0;
};

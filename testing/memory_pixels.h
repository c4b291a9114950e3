// The pixels seam as a ledger of handles: they know their sizes and frames
// but hold no pixels (those are checked under Wine), so tests see which
// frame an icon shows, that nothing leaked and nothing was freed twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "platform/nearest_scale.h"
#include "platform/pixels_api.h"

class MemoryPixels : public PixelsApi {
public:
    struct Icon {
        int width = 0;
        int frame = 0;
    };

    // Loads when the header is a bitmap's and the file as long as it says.
    BitmapHandle LoadBitmapFile(const std::string& path) override;
    void DeleteBitmap(BitmapHandle bitmap) override { Release(m_bitmaps, bitmap); }
    // The one resource, 130, is the built-in skin file.
    BitmapHandle LoadBitmapResource(std::uint32_t resourceId) override;
    BitmapHandle ScaleFrames(BitmapHandle strip, int frameWidth, int scaledFrameWidth) override;
    ImageListHandle LoadImageList(std::uint32_t resourceId, int frameWidth, ColorRef) override;
    ImageListHandle CreateImageList(int width, int, int, int) override;
    int AddMasked(ImageListHandle list, BitmapHandle bitmap, ColorRef) override;
    int GetImageCount(ImageListHandle list) override;
    IconHandle GetIcon(ImageListHandle list, int index) override;
    void DestroyImageList(ImageListHandle list) override { Release(m_lists, list); }
    void DestroyIcon(IconHandle icon) override { Release(m_icons, icon); }

    // Null for a handle that is not a live icon.
    const Icon* FindIcon(IconHandle icon) const;
    std::size_t LiveBitmaps() const { return m_bitmaps.size(); }
    std::size_t LiveIcons() const { return m_icons.size(); }
    std::size_t LiveImageLists() const { return m_lists.size(); }
    // Releases of a handle that was not live: freed twice, or never made.
    int BadReleases() const { return m_badReleases; }

private:
    struct ImageList {
        int width = 0;
        int count = 0;
    };

    template <typename Map>
    std::uintptr_t Add(Map& map, typename Map::mapped_type value) {
        map[++m_lastHandle] = value;
        return m_lastHandle;
    }
    template <typename Map>
    void Release(Map& map, std::uintptr_t handle) {
        m_badReleases += map.erase(handle) == 0 ? 1 : 0;
    }

    std::uintptr_t m_lastHandle = 0x1000;
    std::map<BitmapHandle, StripSize> m_bitmaps;
    std::map<ImageListHandle, ImageList> m_lists;
    std::map<IconHandle, Icon> m_icons;
    int m_badReleases = 0;
};

// The pixels seam as a ledger of handles: they know their sizes and frames
// but hold no pixels (those are checked under Wine), so tests see which
// frame an icon shows, that nothing leaked and nothing was freed twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "platform/nearest_scale.h"
#include "platform/pixels_api.h"

class MemoryPixels : public PixelsApi {
public:
    struct Icon {
        int width = -1;
        int frame = -1;
    };

    BitmapHandle LoadBitmapFile(const std::string& path) override {
        return AddBitmap(ReadBitmapSize(path));
    }
    void DeleteBitmap(BitmapHandle bitmap) override { Release(m_bitmaps, bitmap); }
    // The one resource, 130, is the built-in skin file.
    BitmapHandle LoadBitmapResource(std::uint32_t resourceId) override {
        return AddBitmap(BuiltInSkin(resourceId));
    }
    BitmapHandle ScaleFrames(BitmapHandle strip, int frameWidth, int scaledFrameWidth) override {
        const auto found = m_bitmaps.find(strip);
        return found == m_bitmaps.end()
                   ? 0
                   : AddBitmap(ScaledStripSize(found->second.width, found->second.height,
                                               frameWidth, scaledFrameWidth));
    }
    ImageListHandle LoadImageList(std::uint32_t resourceId, int frameWidth, ColorRef) override {
        const StripSize skin = BuiltInSkin(resourceId);
        return skin.width == 0 ? 0 : Add(m_lists, ImageList{frameWidth, skin.width / frameWidth});
    }
    ImageListHandle CreateImageList(int width, int, int, int) override {
        return Add(m_lists, ImageList{width, 0});
    }
    int AddMasked(ImageListHandle list, BitmapHandle bitmap, ColorRef) override {
        const auto target = m_lists.find(list);
        const auto source = m_bitmaps.find(bitmap);
        if (target == m_lists.end() || source == m_bitmaps.end() ||
            source->second.width < target->second.width) {
            return -1;
        }
        const int first = target->second.count;
        target->second.count += source->second.width / target->second.width;
        return first;
    }
    int GetImageCount(ImageListHandle list) override {
        const auto found = m_lists.find(list);
        return found == m_lists.end() ? 0 : found->second.count;
    }
    IconHandle GetIcon(ImageListHandle list, int index) override {
        const auto found = m_lists.find(list);
        if (found == m_lists.end() || index < 0 || index >= found->second.count) {
            return 0;
        }
        return Add(m_icons, Icon{found->second.width, index});
    }
    void DestroyImageList(ImageListHandle list) override { Release(m_lists, list); }
    void DestroyIcon(IconHandle icon) override { Release(m_icons, icon); }

    // Width and frame -1 for a handle that is not a live icon.
    Icon IconOf(IconHandle icon) const {
        const auto found = m_icons.find(icon);
        return found == m_icons.end() ? Icon() : found->second;
    }
    // Bitmaps, image lists and icons made and not yet released.
    std::size_t Live() const { return m_bitmaps.size() + m_lists.size() + m_icons.size(); }
    // Releases of a handle that was not live: freed twice, or never made.
    int BadReleases() const { return m_badReleases; }

private:
    struct ImageList {
        int width = 0;
        int count = 0;
    };

    static std::int32_t Field32(const unsigned char* at) {
        return static_cast<std::int32_t>(std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 |
                                         std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24);
    }
    // 0 x 0 for a file that is missing or not a bitmap; files of every kind
    // are read for real under Wine.
    static StripSize ReadBitmapSize(const std::string& path) {
        unsigned char header[26] = {};
        std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(header), sizeof(header));
        return header[0] == 'B' && header[1] == 'M'
                   ? StripSize{Field32(header + 18), std::abs(Field32(header + 22))}
                   : StripSize{};
    }
    static StripSize BuiltInSkin(std::uint32_t resourceId) {
        return resourceId == 130 ? ReadBitmapSize(GAUGELET_BUILTIN_SKIN_FILE) : StripSize{};
    }

    BitmapHandle AddBitmap(StripSize size) { return size.width == 0 ? 0 : Add(m_bitmaps, size); }
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

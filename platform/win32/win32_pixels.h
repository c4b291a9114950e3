// The pixels seam over GDI32 and USER32: bitmaps, frame lists kept as two
// bitmaps, and icons.
#pragma once

#include "platform/pixels_api.h"

class Win32Pixels : public PixelsApi {
public:
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
};

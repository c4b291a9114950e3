// The pixels seam: bitmaps, image lists of masked frames, and icons.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

// An image list: frames of one size side by side, each with its
// transparent pixels; 0 means none.
using ImageListHandle = std::uintptr_t;

class PixelsApi {
public:
    virtual ~PixelsApi() = default;

    // A bitmap file at its own size; 0 when it is missing or not a bitmap.
    virtual BitmapHandle LoadBitmapFile(const std::string& path) = 0;
    virtual void DeleteBitmap(BitmapHandle bitmap) = 0;
    // The program's bitmap resource at its own size; 0 when it is missing.
    virtual BitmapHandle LoadBitmapResource(std::uint32_t resourceId) = 0;
    // A new bitmap of the strip's whole frames, each scaled from frameWidth
    // to scaledFrameWidth pixels by ScaleStrip; 0 past the strip cap.
    virtual BitmapHandle ScaleFrames(BitmapHandle strip, int frameWidth,
                                     int scaledFrameWidth) = 0;

    // The program's bitmap resource cut into frames of frameWidth pixels, as
    // high as the bitmap; pixels of the mask colour transparent.
    virtual ImageListHandle LoadImageList(std::uint32_t resourceId, int frameWidth,
                                          ColorRef mask) = 0;
    // An empty list of frames of this size, at the display's colour depth.
    virtual ImageListHandle CreateImageList(int width, int height, int initialCount,
                                            int growBy) = 0;
    // One frame per list width of the bitmap, its pixels of the mask colour
    // transparent; the list copies the pixels and leaves the bitmap as it
    // was. Index of the first frame added, or -1.
    virtual int AddMasked(ImageListHandle list, BitmapHandle bitmap, ColorRef mask) = 0;
    virtual int GetImageCount(ImageListHandle list) = 0;
    // A new icon of one frame with its mask applied; 0 for a bad index.
    virtual IconHandle GetIcon(ImageListHandle list, int index) = 0;
    virtual void DestroyImageList(ImageListHandle list) = 0;

    virtual void DestroyIcon(IconHandle icon) = 0;
};

// The backend every frame strip talks to; the host installs it at start.
PixelsApi& Pixels();
void SetPixels(PixelsApi* pixels);

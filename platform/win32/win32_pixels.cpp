#include <windows.h>
#include <commctrl.h>

#include "platform/win32/win32_pixels.h"

#include <vector>

#include "platform/nearest_scale.h"
#include "platform/win32_abi.h"

static_assert(sizeof(ImageListHandle) == sizeof(HIMAGELIST), "image list handle width");
static_assert(win32::kBitmapInfoHeaderSize == sizeof(BITMAPINFOHEADER), "BITMAPINFOHEADER size");

namespace {

HIMAGELIST AsList(ImageListHandle list) { return reinterpret_cast<HIMAGELIST>(list); }

// 32 bits a pixel, rows from the top: the layout ScaleStrip works on.
BITMAPINFO TopDownInfo(LONG width, LONG height) {
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = win32::kBitmapInfoHeaderSize;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

HBITMAP ScaleWithDc(HDC screen, HBITMAP strip, int frameWidth, int scaledFrameWidth) {
    // With no bit count asked for, GetDIBits only tells the size.
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = win32::kBitmapInfoHeaderSize;
    if (GetDIBits(screen, strip, 0, 0, nullptr, &info, DIB_RGB_COLORS) == 0) {
        return nullptr;
    }
    const LONG width = info.bmiHeader.biWidth;
    const LONG height = info.bmiHeader.biHeight < 0 ? -info.bmiHeader.biHeight
                                                     : info.bmiHeader.biHeight;
    const StripSize size = ScaledStripSize(width, height, frameWidth, scaledFrameWidth);
    if (size.width == 0) {
        return nullptr;
    }
    std::vector<std::uint32_t> source(static_cast<std::size_t>(width) *
                                      static_cast<std::size_t>(height));
    info = TopDownInfo(width, height);
    if (GetDIBits(screen, strip, 0, static_cast<UINT>(height), source.data(), &info,
                  DIB_RGB_COLORS) != height) {
        return nullptr;
    }
    std::vector<std::uint32_t> scaled(static_cast<std::size_t>(size.width) *
                                      static_cast<std::size_t>(size.height));
    ScaleStrip(source.data(), width, height, frameWidth, scaledFrameWidth, scaled.data());
    info = TopDownInfo(size.width, size.height);
    return CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, scaled.data(), &info, DIB_RGB_COLORS);
}

}  // namespace

BitmapHandle Win32Pixels::LoadBitmapFile(const std::string& path) {
    const HANDLE image = LoadImageA(GetModuleHandleA(nullptr), path.c_str(), IMAGE_BITMAP, 0, 0,
                                    LR_LOADFROMFILE | LR_DEFAULTSIZE);
    return reinterpret_cast<BitmapHandle>(image);
}

void Win32Pixels::DeleteBitmap(BitmapHandle bitmap) {
    if (bitmap != 0) {
        DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap));
    }
}

BitmapHandle Win32Pixels::LoadBitmapResource(std::uint32_t resourceId) {
    const HANDLE image = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId),
                                    IMAGE_BITMAP, 0, 0, 0);
    return reinterpret_cast<BitmapHandle>(image);
}

BitmapHandle Win32Pixels::ScaleFrames(BitmapHandle strip, int frameWidth, int scaledFrameWidth) {
    if (strip == 0) {
        return 0;
    }
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return 0;
    }
    const HBITMAP scaled =
        ScaleWithDc(screen, reinterpret_cast<HBITMAP>(strip), frameWidth, scaledFrameWidth);
    ReleaseDC(nullptr, screen);
    return reinterpret_cast<BitmapHandle>(scaled);
}

ImageListHandle Win32Pixels::LoadImageList(std::uint32_t resourceId, int frameWidth,
                                           ColorRef mask) {
    const HIMAGELIST list =
        ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId), frameWidth,
                             0, mask, IMAGE_BITMAP, 0);
    return reinterpret_cast<ImageListHandle>(list);
}

ImageListHandle Win32Pixels::CreateImageList(int width, int height, int initialCount,
                                             int growBy) {
    // The display's depth: the default 16 colours would turn a true-colour skin olive.
    return reinterpret_cast<ImageListHandle>(
        ImageList_Create(width, height, ILC_COLORDDB | ILC_MASK, initialCount, growBy));
}

int Win32Pixels::AddMasked(ImageListHandle list, BitmapHandle bitmap, ColorRef mask) {
    if (list == 0 || bitmap == 0) {
        return -1;
    }
    return ImageList_AddMasked(AsList(list), reinterpret_cast<HBITMAP>(bitmap), mask);
}

int Win32Pixels::GetImageCount(ImageListHandle list) {
    return list == 0 ? 0 : ImageList_GetImageCount(AsList(list));
}

IconHandle Win32Pixels::GetIcon(ImageListHandle list, int index) {
    if (list == 0 || index < 0) {
        return 0;
    }
    return reinterpret_cast<IconHandle>(ImageList_GetIcon(AsList(list), index, ILD_NORMAL));
}

void Win32Pixels::DestroyImageList(ImageListHandle list) {
    if (list != 0) {
        ImageList_Destroy(AsList(list));
    }
}

void Win32Pixels::DestroyIcon(IconHandle icon) {
    if (icon != 0) {
        ::DestroyIcon(reinterpret_cast<HICON>(icon));
    }
}

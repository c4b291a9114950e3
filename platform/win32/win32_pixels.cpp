#include <windows.h>
#include <commctrl.h>

#include "platform/win32/win32_pixels.h"

static_assert(sizeof(ImageListHandle) == sizeof(HIMAGELIST), "image list handle width");

namespace {

HIMAGELIST AsList(ImageListHandle list) { return reinterpret_cast<HIMAGELIST>(list); }

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

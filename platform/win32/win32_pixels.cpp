#include <windows.h>

#include "platform/win32/win32_pixels.h"

#include <vector>

#include "platform/nearest_scale.h"
#include "platform/win32_abi.h"

static_assert(win32::kBitmapInfoHeaderSize == sizeof(BITMAPINFOHEADER), "BITMAPINFOHEADER size");

namespace {

// A strip of masked frames as the common controls' image lists keep it, in
// a bitmap of the display's depth (its transparent pixels black) and one of
// one bit (set where transparent), without their library: under Wine
// loading that costs the meter more private memory than all else it does.
struct FrameList {
    int width = 0;
    int height = 0;
    int count = 0;
    HBITMAP colour = nullptr;
    HBITMAP mask = nullptr;
};

FrameList* AsList(ImageListHandle list) { return reinterpret_cast<FrameList*>(list); }

// A memory DC with a bitmap selected into it, given back when it goes; no
// DC where the bitmap or the DC is missing.
class BitmapDc {
public:
    explicit BitmapDc(HBITMAP bitmap)
        : m_dc(bitmap != nullptr ? CreateCompatibleDC(nullptr) : nullptr),
          m_previous(m_dc != nullptr ? SelectObject(m_dc, bitmap) : nullptr) {}
    BitmapDc(const BitmapDc&) = delete;
    BitmapDc& operator=(const BitmapDc&) = delete;
    ~BitmapDc() {
        if (m_dc != nullptr) {
            if (m_previous != nullptr) {
                SelectObject(m_dc, m_previous);
            }
            DeleteDC(m_dc);
        }
    }
    HDC Get() const { return m_previous != nullptr ? m_dc : nullptr; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// A bitmap of the display's depth, or of one bit.
HBITMAP NewBitmap(int width, int height, bool mono) {
    if (mono) {
        return CreateBitmap(width, height, 1, 1, nullptr);
    }
    const HDC screen = GetDC(nullptr);
    const HBITMAP bitmap = screen != nullptr ? CreateCompatibleBitmap(screen, width, height) : nullptr;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return bitmap;
}

// Mono to colour: set bits become white, clear ones black.
void PlainColours(HDC dc) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
}

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
    const BitmapHandle strip = LoadBitmapResource(resourceId);
    BITMAP size;
    ImageListHandle list = 0;
    if (strip != 0 && GetObjectA(reinterpret_cast<HBITMAP>(strip), sizeof(size), &size) != 0) {
        list = CreateImageList(frameWidth, size.bmHeight, 0, 0);
        if (AddMasked(list, strip, mask) < 0) {
            DestroyImageList(list);
            list = 0;
        }
    }
    DeleteBitmap(strip);
    return list;
}

ImageListHandle Win32Pixels::CreateImageList(int width, int height, int, int) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    auto* list = new FrameList;
    list->width = width;
    list->height = height;
    return reinterpret_cast<ImageListHandle>(list);
}

// The bitmap's whole frames go after the list's, its key colour made
// transparent; each new strip takes the old frames along.
int Win32Pixels::AddMasked(ImageListHandle handle, BitmapHandle bitmap, ColorRef key) {
    FrameList* list = AsList(handle);
    BITMAP size;
    if (list == nullptr || bitmap == 0 ||
        GetObjectA(reinterpret_cast<HBITMAP>(bitmap), sizeof(size), &size) == 0 ||
        size.bmWidth / list->width <= 0) {
        return -1;
    }
    const int added = size.bmWidth / list->width;
    const int oldWidth = list->count * list->width;
    const int newWidth = oldWidth + added * list->width;
    const HBITMAP colour = NewBitmap(newWidth, list->height, false);
    const HBITMAP mask = NewBitmap(newWidth, list->height, true);
    bool ok = false;
    {
        const BitmapDc to(colour), toMask(mask), from(reinterpret_cast<HBITMAP>(bitmap));
        const BitmapDc kept(list->colour), keptMask(list->mask);
        const int width = newWidth - oldWidth;
        ok = to.Get() != nullptr && toMask.Get() != nullptr && from.Get() != nullptr &&
             (list->count == 0 ||
              (BitBlt(to.Get(), 0, 0, oldWidth, list->height, kept.Get(), 0, 0, SRCCOPY) &&
               BitBlt(toMask.Get(), 0, 0, oldWidth, list->height, keptMask.Get(), 0, 0, SRCCOPY)));
        if (ok) {
            // Colour to mono sets the pixels of the source's background colour.
            SetBkColor(from.Get(), key);
            PlainColours(to.Get());
            ok = BitBlt(to.Get(), oldWidth, 0, width, list->height, from.Get(), 0, 0, SRCCOPY) &&
                 BitBlt(toMask.Get(), oldWidth, 0, width, list->height, from.Get(), 0, 0, SRCCOPY) &&
                 // The colour AND NOT the mask: transparent pixels black.
                 BitBlt(to.Get(), oldWidth, 0, width, list->height, toMask.Get(), oldWidth, 0,
                        0x00220326);
        }
    }
    if (!ok) {
        DeleteBitmap(reinterpret_cast<BitmapHandle>(colour));
        DeleteBitmap(reinterpret_cast<BitmapHandle>(mask));
        return -1;
    }
    DeleteBitmap(reinterpret_cast<BitmapHandle>(list->colour));
    DeleteBitmap(reinterpret_cast<BitmapHandle>(list->mask));
    list->colour = colour;
    list->mask = mask;
    const int first = list->count;
    list->count += added;
    return first;
}

int Win32Pixels::GetImageCount(ImageListHandle list) { return list == 0 ? 0 : AsList(list)->count; }

IconHandle Win32Pixels::GetIcon(ImageListHandle handle, int index) {
    const FrameList* list = AsList(handle);
    if (list == nullptr || index < 0 || index >= list->count) {
        return 0;
    }
    ICONINFO info;
    ZeroMemory(&info, sizeof(info));
    info.fIcon = TRUE;
    info.hbmColor = NewBitmap(list->width, list->height, false);
    info.hbmMask = NewBitmap(list->width, list->height, true);
    bool copied = false;
    {
        const BitmapDc to(info.hbmColor), toMask(info.hbmMask), from(list->colour), fromMask(list->mask);
        const int x = index * list->width;
        copied = to.Get() != nullptr && toMask.Get() != nullptr &&
                 BitBlt(to.Get(), 0, 0, list->width, list->height, from.Get(), x, 0, SRCCOPY) &&
                 BitBlt(toMask.Get(), 0, 0, list->width, list->height, fromMask.Get(), x, 0, SRCCOPY);
    }
    // The bitmaps are out of every DC by now, as an icon is made of them.
    const HICON icon = copied ? CreateIconIndirect(&info) : nullptr;
    DeleteBitmap(reinterpret_cast<BitmapHandle>(info.hbmColor));
    DeleteBitmap(reinterpret_cast<BitmapHandle>(info.hbmMask));
    return reinterpret_cast<IconHandle>(icon);
}

void Win32Pixels::DestroyImageList(ImageListHandle handle) {
    FrameList* list = AsList(handle);
    if (list != nullptr) {
        DeleteBitmap(reinterpret_cast<BitmapHandle>(list->colour));
        DeleteBitmap(reinterpret_cast<BitmapHandle>(list->mask));
        delete list;
    }
}

void Win32Pixels::DestroyIcon(IconHandle icon) {
    if (icon != 0) {
        ::DestroyIcon(reinterpret_cast<HICON>(icon));
    }
}

#include <windows.h>

#include <cstddef>
#include <cstdlib>

#include "platform/win32/win32_pixels.h"
#include "testing/bmp_reader.h"
#include "tests/taskicon/pixels_backend.h"

// The portable reader that the other backend's results are compared with
// reads the headers as <windows.h> lays them out.
static_assert(sizeof(bmp::FileHeader) == sizeof(BITMAPFILEHEADER), "BITMAPFILEHEADER");
static_assert(offsetof(bmp::FileHeader, bfOffBits) == offsetof(BITMAPFILEHEADER, bfOffBits),
              "BITMAPFILEHEADER layout");
static_assert(sizeof(bmp::InfoHeader) == sizeof(BITMAPINFOHEADER), "BITMAPINFOHEADER");
static_assert(offsetof(bmp::InfoHeader, biClrUsed) == offsetof(BITMAPINFOHEADER, biClrUsed),
              "BITMAPINFOHEADER layout");
static_assert(bmp::kBiRgb == BI_RGB, "compression");

std::unique_ptr<PixelsApi> MakePixelsBackend() { return std::make_unique<Win32Pixels>(); }

namespace {

// The bitmap's pixels as 32-bit top-down rows, 0x00RRGGBB each.
bool ReadBits(HDC dc, HBITMAP bitmap, int width, int height, std::vector<DWORD>* bits) {
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bits->assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    return GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), bits->data(), &info,
                     DIB_RGB_COLORS) == height;
}

}  // namespace

bool ReadIcon(PixelsApi&, IconHandle icon, IconPixels* result) {
    ICONINFO info;
    if (!GetIconInfo(reinterpret_cast<HICON>(icon), &info)) {
        return false;
    }
    BITMAP mask;
    bool ok = info.hbmColor != nullptr && GetObjectA(info.hbmMask, sizeof(mask), &mask) != 0;
    std::vector<DWORD> colourBits, maskBits;
    if (ok) {
        const HDC dc = GetDC(nullptr);
        result->width = mask.bmWidth;
        result->height = mask.bmHeight;
        ok = ReadBits(dc, info.hbmColor, mask.bmWidth, mask.bmHeight, &colourBits) &&
             ReadBits(dc, info.hbmMask, mask.bmWidth, mask.bmHeight, &maskBits);
        ReleaseDC(nullptr, dc);
    }
    if (info.hbmColor != nullptr) {
        DeleteObject(info.hbmColor);
    }
    DeleteObject(info.hbmMask);
    if (!ok) {
        return false;
    }
    result->colour.clear();
    result->transparent.clear();
    for (std::size_t i = 0; i < colourBits.size(); ++i) {
        const DWORD c = colourBits[i];
        result->colour.push_back(Rgb(static_cast<std::uint8_t>(c >> 16),
                                     static_cast<std::uint8_t>(c >> 8),
                                     static_cast<std::uint8_t>(c)));
        result->transparent.push_back((maskBits[i] & 0x00FFFFFFu) != 0);
    }
    return true;
}

std::string TempFolder() {
    char path[MAX_PATH + 1];
    const DWORD length = GetTempPathA(MAX_PATH, path);
    if (length == 0 || length > MAX_PATH) {
        return ".";
    }
    std::string folder(path, length);
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
        folder.pop_back();
    }
    return folder;
}

// Opaque handles that cross the seams. Each is as wide as a pointer, like the
// Win32 handle it stands for; 0 means none.
#pragma once

#include <cstdint>

using WindowHandle = std::uintptr_t;   // HWND
using IconHandle = std::uintptr_t;     // HICON
using BitmapHandle = std::uintptr_t;   // HBITMAP

// COLORREF: 0x00BBGGRR.
using ColorRef = std::uint32_t;
constexpr ColorRef Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) |
           (static_cast<ColorRef>(b) << 16);
}

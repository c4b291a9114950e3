// The frame strip's pixels as the system draws them, from real bitmap files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/win32_pixels.h"
#include "platform/win32/win32_system.h"
#include "taskicon/task_icon.h"

namespace {

constexpr ColorRef kKey = Rgb(0, 128, 128);
constexpr ColorRef kHidden = 0xFF000000u;  // a pixel the mask hides

// Reads a square icon back, top row first, and destroys it; no pixels when
// it cannot be read.
std::vector<ColorRef> TakeIcon(IconHandle handle) {
    ICONINFO info;
    BITMAP mask;
    if (handle == 0 || !GetIconInfo(reinterpret_cast<HICON>(handle), &info)) {
        return {};
    }
    const int side = GetObjectA(info.hbmMask, sizeof(mask), &mask) != 0 ? mask.bmWidth : 0;
    BITMAPINFO top{{sizeof(BITMAPINFOHEADER), side, -side, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    std::vector<DWORD> colour(static_cast<std::size_t>(side * side));
    std::vector<DWORD> hidden(colour.size());
    const HDC dc = GetDC(nullptr);
    const bool ok = side > 0 && info.hbmColor != nullptr &&
                    GetDIBits(dc, info.hbmColor, 0, static_cast<UINT>(side), colour.data(), &top,
                              DIB_RGB_COLORS) == side &&
                    GetDIBits(dc, info.hbmMask, 0, static_cast<UINT>(side), hidden.data(), &top,
                              DIB_RGB_COLORS) == side;
    ReleaseDC(nullptr, dc);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(reinterpret_cast<HICON>(handle));
    std::vector<ColorRef> pixels;
    for (std::size_t i = 0; ok && i < colour.size(); ++i) {
        const DWORD c = colour[i];
        pixels.push_back((hidden[i] & 0xFFFFFFu) != 0 ? kHidden
                                                      : Rgb(c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF));
    }
    return pixels;
}

// Files store blue first.
DWORD Bgr(ColorRef c) { return (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu); }

// Writes a bitmap file as common tools lay it out, bottom row first: 1, 4 and
// 8 bits index the palette, which holds every pixel's colour; 24 and 32 bits
// store the colours themselves.
bool WriteBmp(const std::string& path, int width, int height, int bits,
              const std::vector<ColorRef>& palette, const std::function<ColorRef(int, int)>& at) {
    const auto stride = static_cast<std::size_t>((width * bits + 31) / 32 * 4);
    const auto imageSize = static_cast<DWORD>(stride * static_cast<std::size_t>(height));
    const auto offset = static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) +
                                           4 * palette.size());
    const BITMAPFILEHEADER file{0x4D42, offset + imageSize, 0, 0, offset};
    const BITMAPINFOHEADER info{sizeof(info), width, height, 1, static_cast<WORD>(bits), BI_RGB,
                                imageSize, 2835, 2835, static_cast<DWORD>(palette.size()), 0};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const auto put = [&out](const void* bytes, std::size_t size) {
        out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    };
    put(&file, sizeof(file));
    put(&info, sizeof(info));
    for (const ColorRef c : palette) {
        const DWORD entry = Bgr(c);
        put(&entry, sizeof(entry));
    }
    for (int row = height; row-- > 0;) {
        std::vector<std::uint8_t> line(stride, 0);
        for (int x = 0; x < width; ++x) {
            const DWORD colour = Bgr(at(x, row));
            const auto bit = static_cast<std::size_t>(x * bits);
            if (bits >= 24) {
                std::memcpy(&line[bit / 8], &colour, 3);
                continue;
            }
            const auto index = static_cast<unsigned>(
                std::find(palette.begin(), palette.end(), at(x, row)) - palette.begin());
            line[bit / 8] = static_cast<std::uint8_t>(
                line[bit / 8] | index << (8 - static_cast<std::size_t>(bits) - bit % 8));
        }
        put(line.data(), line.size());
    }
    return static_cast<bool>(out);
}

// The source pixel nearest the centre of pixel `to` of a frame scaled to `size`.
int Nearest(int to, int size) { return (2 * to + 1) * 16 / (2 * size); }

// Exactly the key colour is transparent in every file format and other
// colours keep their values (a 16-colour list turns them olive); columns
// past the last whole frame and rows below the first frame's are not used;
// frames cut at 2x and 1.5x take the source pixel nearest each centre.
TEST(FrameStrip, KeyColourIsTransparentAndOtherColoursStayAtEverySize) {
    static Win32Pixels pixels;
    static Win32System system;
    SetPixels(&pixels);
    SetSystem(&system);
    char folder[MAX_PATH + 1] = "";  // left empty, the files go to the current folder
    GetTempPathA(sizeof(folder), folder);
    const std::string prefix = std::string(folder) + "gaugelet-strip-";
    const std::vector<ColorRef> colours = {
        kKey,             Rgb(0, 128, 129), Rgb(255, 128, 0), Rgb(255, 200, 0), Rgb(200, 255, 0),
        Rgb(0, 255, 64),  Rgb(0, 200, 200), Rgb(0, 64, 255),  Rgb(128, 0, 255), Rgb(255, 0, 200),
        Rgb(160, 32, 48), Rgb(32, 96, 160), Rgb(250, 240, 230)};
    const struct {
        int bits, width, height, size, frames;
    } skins[] = {{1, 32, 16, 16, 2},  {4, 48, 16, 16, 3},   {8, 48, 16, 16, 3},
                 {24, 40, 16, 16, 2}, {32, 192, 16, 16, 12}, {24, 32, 48, 16, 2},
                 {24, 48, 16, 32, 3}, {32, 48, 16, 24, 3},  {24, 15, 16, 16, 0},
                 {24, 8208, 16, 32, 0}};
    for (const auto& skin : skins) {
        const std::string path = prefix + std::to_string(skin.bits) + "-" +
                                 std::to_string(skin.width) + "x" + std::to_string(skin.height) +
                                 ".bmp";
        SCOPED_TRACE(path + " at " + std::to_string(skin.size));
        const auto source = [&](int x, int y) {
            const auto band = static_cast<std::size_t>(x / 16 + y / 4) % 12;
            return (x + 2 * y) % 3 == 0 ? kKey : colours[skin.bits == 1 ? 1 : 1 + band];
        };
        const long used = skin.bits == 1 ? 2 : skin.bits <= 8 ? 13 : 0;
        ASSERT_TRUE(WriteBmp(path, skin.width, skin.height, skin.bits,
                             {colours.begin(), colours.begin() + used}, source));
        CTaskIcon strip;
        strip.SetFrameSizes(skin.size, skin.size);
        const BitmapHandle bitmap = pixels.LoadBitmapFile(path);
        ASSERT_EQ(strip.SetFrames(bitmap), skin.frames > 0);
        pixels.DeleteBitmap(bitmap);
        ASSERT_EQ(strip.GetFrameCount(), skin.frames);
        for (int k = 0; k < skin.frames; ++k) {
            const std::vector<ColorRef> icon = TakeIcon(strip.GetFrameIcon(k));
            ASSERT_EQ(icon.size(), static_cast<std::size_t>(skin.size * skin.size));
            for (int y = 0; y < skin.size; ++y) {
                for (int x = 0; x < skin.size; ++x) {
                    const ColorRef want =
                        source(16 * k + Nearest(x, skin.size), Nearest(y, skin.size));
                    ASSERT_EQ(icon[static_cast<std::size_t>(y * skin.size + x)],
                              want == kKey ? kHidden : want)
                        << "frame " << k << " at " << x << "," << y;
                }
            }
        }
        DeleteFileA(path.c_str());
    }
}

}  // namespace

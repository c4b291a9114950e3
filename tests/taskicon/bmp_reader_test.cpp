#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "testing/bmp_reader.h"
#include "tests/taskicon/bmp_writer.h"

namespace {

bool Read(const std::vector<std::uint8_t>& bytes, bmp::Image* image) {
    return bmp::ReadBitmap(bytes.data(), bytes.size(), image);
}

// Colours every depth stores exactly, in rows that differ from each other
// and a width that leaves every row padded.
TEST(BmpReader, ReadsEveryDepthInBothRowOrders) {
    const std::vector<ColorRef> palette = {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(255, 0, 0),
                                           Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 0)};
    for (const int bits : {1, 4, 8, 16, 24, 32}) {
        const std::size_t colours = bits == 1 ? 2 : palette.size();
        BmpPicture picture;
        picture.width = 17;
        picture.height = 5;
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 17; ++x) {
                picture.pixels.push_back(palette[static_cast<std::size_t>(x + 2 * y) % colours]);
            }
        }
        const std::vector<ColorRef> stored(palette.begin(),
                                           palette.begin() + static_cast<long>(colours));
        for (const bool topDown : {false, true}) {
            bmp::Image image;
            ASSERT_TRUE(Read(EncodeBmp(picture, bits, topDown, bits <= 8 ? stored : palette),
                             &image))
                << bits;
            EXPECT_EQ(image.width, 17);
            EXPECT_EQ(image.height, 5);
            EXPECT_EQ(image.pixels, picture.pixels) << bits << " bits, top-down " << topDown;
        }
    }
}

TEST(BmpReader, RefusesWhatItCannotReadSafely) {
    BmpPicture picture;
    picture.width = 16;
    picture.height = 16;
    picture.pixels.assign(256, Rgb(1, 2, 3));
    const std::vector<std::uint8_t> good = EncodeBmp(picture, 24, false);
    bmp::Image image;
    ASSERT_TRUE(Read(good, &image));
    const struct {
        const char* what;
        std::size_t at;
        std::uint32_t value;
    } broken[] = {
        {"signature", 0, 0x00004D41},
        {"zero width", 18, 0},
        {"huge top-down height", 22, 0x80000000u},
        {"run-length compression", 30, 1},
        {"pixels past the end", 10, static_cast<std::uint32_t>(good.size() - 10)},
        {"header past the end", 14, 0x7FFFFFFF},
    };
    for (const auto& b : broken) {
        std::vector<std::uint8_t> bytes = good;
        std::memcpy(bytes.data() + b.at, &b.value, 4);
        EXPECT_FALSE(Read(bytes, &image)) << b.what;
    }
    EXPECT_FALSE(Read({good.begin(), good.end() - 1}, &image)) << "one byte short";
    // Whole files past the size limits, which bound the memory a skin takes.
    for (const auto& size : {std::make_pair(16385, 1), {1, 1025}}) {
        picture = {size.first, size.second,
                   std::vector<ColorRef>(static_cast<std::size_t>(size.first * size.second))};
        for (const bool topDown : {false, true}) {
            EXPECT_FALSE(Read(EncodeBmp(picture, 24, topDown), &image)) << size.first;
        }
    }

    picture = {1, 1, {Rgb(2, 2, 2)}};
    std::vector<std::uint8_t> shortPalette = EncodeBmp(picture, 8, false, {Rgb(2, 2, 2)});
    const std::uint32_t many = 200;  // colours used, past the file's end
    std::memcpy(shortPalette.data() + 46, &many, 4);
    EXPECT_FALSE(Read(shortPalette, &image)) << "palette past the end";
}

}  // namespace

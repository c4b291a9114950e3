#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "testing/bmp_reader.h"
#include "tests/taskicon/bmp_writer.h"

namespace {

BmpPicture Gradient(int width, int height) {
    BmpPicture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(Rgb(static_cast<std::uint8_t>(x * 8),
                                         static_cast<std::uint8_t>(y * 8), 200));
        }
    }
    return picture;
}

bool Read(const std::vector<std::uint8_t>& bytes, bmp::Image* image) {
    return bmp::ReadBitmap(bytes.data(), bytes.size(), image);
}

void SetField32(std::vector<std::uint8_t>* bytes, std::size_t at, std::uint32_t value) {
    std::memcpy(bytes->data() + at, &value, 4);
}

TEST(BmpReader, ReadsEveryDepthInBothRowOrders) {
    const BmpPicture picture = Gradient(17, 5);
    for (const int bits : {24, 32}) {
        for (const bool topDown : {false, true}) {
            bmp::Image image;
            ASSERT_TRUE(Read(EncodeBmp(picture, bits, topDown), &image)) << bits;
            EXPECT_EQ(image.width, 17);
            EXPECT_EQ(image.height, 5);
            EXPECT_EQ(image.pixels, picture.pixels) << bits << " top-down " << topDown;
        }
    }
    const std::vector<ColorRef> palette = {Rgb(9, 9, 9), Rgb(0, 128, 128), Rgb(255, 0, 0)};
    BmpPicture indexed;
    indexed.width = 11;
    indexed.height = 3;
    for (int i = 0; i < 33; ++i) {
        indexed.pixels.push_back(palette[static_cast<std::size_t>(i % 3)]);
    }
    for (const int bits : {4, 8}) {
        bmp::Image image;
        ASSERT_TRUE(Read(EncodeBmp(indexed, bits, false, palette), &image)) << bits;
        EXPECT_EQ(image.pixels, indexed.pixels) << bits;
    }
}

TEST(BmpReader, RefusesWhatItCannotReadSafely) {
    const std::vector<std::uint8_t> good = EncodeBmp(Gradient(16, 16), 24, false);
    bmp::Image image;
    ASSERT_TRUE(Read(good, &image));

    const struct {
        const char* what;
        std::size_t at;
        std::uint32_t value;
    } broken[] = {
        {"signature", 0, 0x00004D41},
        {"width over the limit", 18, 16385},
        {"zero width", 18, 0},
        {"height over the limit", 22, 1025},
        {"top-down height over the limit", 22, static_cast<std::uint32_t>(-1025)},
        {"huge top-down height", 22, 0x80000000u},
        {"run-length compression", 30, 1},
        {"pixels past the end", 10, static_cast<std::uint32_t>(good.size() - 10)},
        {"header past the end", 14, 0x7FFFFFFF},
    };
    for (const auto& b : broken) {
        std::vector<std::uint8_t> bytes = good;
        SetField32(&bytes, b.at, b.value);
        EXPECT_FALSE(Read(bytes, &image)) << b.what;
    }
    std::vector<std::uint8_t> truncated(good.begin(), good.end() - 1);
    EXPECT_FALSE(Read(truncated, &image)) << "one byte short";

    const std::vector<ColorRef> palette = {Rgb(1, 1, 1), Rgb(2, 2, 2)};
    BmpPicture small;
    small.width = 1;
    small.height = 1;
    small.pixels = {Rgb(2, 2, 2)};
    std::vector<std::uint8_t> shortPalette = EncodeBmp(small, 8, false, palette);
    SetField32(&shortPalette, 46, 200);
    EXPECT_FALSE(Read(shortPalette, &image)) << "palette past the end";

}

}  // namespace

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/pixels_api.h"
#include "taskicon/task_icon.h"
#include "testing/fake_system.h"
#include "tests/taskicon/bmp_writer.h"
#include "tests/taskicon/pixels_backend.h"

namespace {

constexpr ColorRef kGrey = Rgb(128, 128, 128);
constexpr ColorRef kBrightGreen = Rgb(0, 255, 0);
constexpr ColorRef kTransparent = Rgb(0, 128, 128);

class FrameStripTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pixels = MakePixelsBackend();
        SetPixels(m_pixels.get());
        SetSystem(&m_system);
    }
    void TearDown() override {
        SetPixels(nullptr);
        SetSystem(nullptr);
    }

    IconPixels Frame(CTaskIcon& strip, int index) {
        IconPixels image;
        const IconHandle icon = strip.GetFrameIcon(index);
        EXPECT_NE(icon, 0u) << "frame " << index;
        EXPECT_TRUE(ReadIcon(*m_pixels, icon, &image)) << "frame " << index;
        m_pixels->DestroyIcon(icon);
        return image;
    }

    std::string WriteSkin(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = TempFolder() + "/gaugelet-strip-" + name + ".bmp";
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }

    // Loads a skin file and checks every pixel of every frame against the pattern.
    void ExpectKeyedFrames(const std::string& path, int expectedFrames) {
        const BitmapHandle bitmap = m_pixels->LoadBitmapFile(path);
        ASSERT_NE(bitmap, 0u) << path;
        CTaskIcon strip;
        ASSERT_TRUE(strip.SetFrames(bitmap)) << path;
        m_pixels->DeleteBitmap(bitmap);
        ASSERT_EQ(strip.GetFrameCount(), expectedFrames) << path;
        for (int k = 0; k < expectedFrames; ++k) {
            const IconPixels image = Frame(strip, k);
            ASSERT_EQ(image.width, 16);
            ASSERT_EQ(image.height, 16);
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const bool transparent =
                        image.transparent[static_cast<std::size_t>(y * 16 + x)];
                    ASSERT_EQ(transparent, IsKeyedTransparent(16 * k + x, y))
                        << path << " frame " << k << " at " << x << "," << y;
                }
            }
        }
        EXPECT_EQ(strip.GetFrameIcon(expectedFrames), 0u);
    }

    FakeSystem m_system;
    std::unique_ptr<PixelsApi> m_pixels;
};

TEST_F(FrameStripTest, BuiltInSkinHasTwelveFramesWithARisingBar) {
    CTaskIcon strip;
    EXPECT_EQ(strip.GetFrameCount(), 0);
    EXPECT_EQ(strip.GetFrameIcon(0), 0u);
    ASSERT_TRUE(strip.LoadFrames(130));
    ASSERT_EQ(strip.GetFrameCount(), 12);
    for (int k = 0; k < 12; ++k) {
        const IconPixels image = Frame(strip, k);
        ASSERT_EQ(image.width, 16);
        ASSERT_EQ(image.height, 16);
        EXPECT_TRUE(image.transparent[0]) << "corner of frame " << k;
        EXPECT_TRUE(image.transparent[15 * 16 + 15]) << "corner of frame " << k;
        EXPECT_FALSE(image.transparent[1 * 16 + 2]) << "edge of frame " << k;
        EXPECT_EQ(image.colour[1 * 16 + 2], kGrey) << "edge of frame " << k;
        int lit = 0;
        for (std::size_t i = 0; i < image.colour.size(); ++i) {
            lit += !image.transparent[i] && image.colour[i] == kBrightGreen ? 1 : 0;
        }
        EXPECT_EQ(lit, 10 * k) << "bar of frame " << k;
    }
    EXPECT_EQ(strip.GetFrameIcon(12), 0u);
    EXPECT_EQ(strip.GetFrameIcon(-1), 0u);
}

TEST_F(FrameStripTest, KeyColourIsTransparentInEveryFileFormat) {
    const std::vector<ColorRef> twoColours = {Rgb(0, 128, 128), Rgb(0, 128, 129)};
    ExpectKeyedFrames(WriteSkin("1bit", EncodeBmp(KeyedPattern(32, 16), 1, false, twoColours)), 2);
    ExpectKeyedFrames(WriteSkin("24bit", EncodeBmp(KeyedPattern(48, 16), 24, false)), 3);
    ExpectKeyedFrames(WriteSkin("32bit", EncodeBmp(KeyedPattern(32, 16), 32, false)), 2);
    // The columns past the last whole frame are not used.
    ExpectKeyedFrames(WriteSkin("40wide", EncodeBmp(KeyedPattern(40, 16), 24, false)), 2);
}

// Saturated colours that a 16-colour list would turn olive and black.
TEST_F(FrameStripTest, TrueColourSkinsKeepTheirColours) {
    const ColorRef colours[12] = {Rgb(255, 0, 0),   Rgb(255, 128, 0), Rgb(255, 200, 0),
                                  Rgb(200, 255, 0), Rgb(0, 255, 64),  Rgb(0, 200, 200),
                                  Rgb(0, 64, 255),  Rgb(128, 0, 255), Rgb(255, 0, 200),
                                  Rgb(160, 32, 48), Rgb(32, 96, 160), Rgb(250, 240, 230)};
    BmpPicture picture;
    picture.width = 16 * 12;
    picture.height = 16;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels.push_back(x % 16 == 0 ? kTransparent : colours[x / 16]);
        }
    }
    for (const int bits : {24, 32}) {
        const std::string path =
            WriteSkin("colours" + std::to_string(bits), EncodeBmp(picture, bits, false));
        const BitmapHandle bitmap = m_pixels->LoadBitmapFile(path);
        ASSERT_NE(bitmap, 0u) << path;
        CTaskIcon strip;
        ASSERT_TRUE(strip.SetFrames(bitmap)) << path;
        m_pixels->DeleteBitmap(bitmap);
        ASSERT_EQ(strip.GetFrameCount(), 12);
        for (int k = 0; k < 12; ++k) {
            const IconPixels image = Frame(strip, k);
            for (std::size_t i = 0; i < image.colour.size(); ++i) {
                ASSERT_EQ(image.transparent[i], i % 16 == 0) << bits << " bits, frame " << k;
                if (!image.transparent[i]) {
                    ASSERT_EQ(image.colour[i], colours[k]) << bits << " bits, frame " << k;
                }
            }
        }
    }
}

TEST_F(FrameStripTest, UnusableBitmapsLeaveNoStrip) {
    CTaskIcon strip;
    ASSERT_TRUE(strip.LoadFrames(130));
    EXPECT_FALSE(strip.SetFrames(0));
    EXPECT_EQ(strip.GetFrameCount(), 0);
    EXPECT_EQ(strip.GetFrameIcon(0), 0u);

    const std::string narrow = WriteSkin("15wide", EncodeBmp(KeyedPattern(15, 16), 24, false));
    const BitmapHandle bitmap = m_pixels->LoadBitmapFile(narrow);
    ASSERT_NE(bitmap, 0u);
    EXPECT_FALSE(strip.SetFrames(bitmap));
    EXPECT_EQ(strip.GetFrameCount(), 0);
    m_pixels->DeleteBitmap(bitmap);

    EXPECT_EQ(m_pixels->LoadBitmapFile(TempFolder() + "/gaugelet-no-such-skin.bmp"), 0u);
    const std::string text = TempFolder() + "/gaugelet-strip-text.bmp";
    ASSERT_TRUE(WriteFile(text, {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'}));
    EXPECT_EQ(m_pixels->LoadBitmapFile(text), 0u);
}

TEST_F(FrameStripTest, TallBitmapIsAcceptedWithSquareFrames) {
    const std::string tall = WriteSkin("32x48", EncodeBmp(KeyedPattern(32, 48), 24, false));
    const BitmapHandle bitmap = m_pixels->LoadBitmapFile(tall);
    ASSERT_NE(bitmap, 0u);
    CTaskIcon strip;
    EXPECT_TRUE(strip.SetFrames(bitmap));
    m_pixels->DeleteBitmap(bitmap);
    EXPECT_EQ(strip.GetFrameCount(), 2);
    const IconPixels image = Frame(strip, 1);
    EXPECT_EQ(image.height, 16);
}

}  // namespace

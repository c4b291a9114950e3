#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/pixels_api.h"
#include "taskicon/task_icon.h"
#include "testing/fake_system.h"
#include "tests/taskicon/bmp_writer.h"
#include "tests/taskicon/pixels_backend.h"

namespace {

constexpr ColorRef kKey = Rgb(0, 128, 128);

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
        EXPECT_EQ(image.width, 16);
        EXPECT_EQ(image.height, 16);
        image.colour.resize(256);
        image.transparent.resize(256);
        m_pixels->DestroyIcon(icon);
        return image;
    }

    // Loads the file as a skin; a strip without frames when it cannot be used.
    bool LoadSkin(CTaskIcon& strip, const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = TempFolder() + "/gaugelet-strip-" + name + ".bmp";
        EXPECT_TRUE(WriteFile(path, bytes));
        const BitmapHandle bitmap = m_pixels->LoadBitmapFile(path);
        const bool loaded = bitmap != 0 && strip.SetFrames(bitmap);
        if (bitmap != 0) {
            m_pixels->DeleteBitmap(bitmap);
        }
        return loaded;
    }

    FakeSystem m_system;
    std::unique_ptr<PixelsApi> m_pixels;
};

TEST_F(FrameStripTest, BuiltInSkinHasTwelveFramesWithARisingBar) {
    CTaskIcon strip;
    EXPECT_EQ(strip.GetFrameIcon(0), 0u);
    ASSERT_TRUE(strip.LoadFrames(130));
    ASSERT_EQ(strip.GetFrameCount(), 12);
    for (int k = 0; k < 12; ++k) {
        const IconPixels image = Frame(strip, k);
        EXPECT_TRUE(image.transparent[0] && image.transparent[255]) << "corners of frame " << k;
        EXPECT_FALSE(image.transparent[1 * 16 + 2]) << "edge of frame " << k;
        EXPECT_EQ(image.colour[1 * 16 + 2], Rgb(128, 128, 128)) << "edge of frame " << k;
        int lit = 0;
        for (std::size_t i = 0; i < 256; ++i) {
            lit += !image.transparent[i] && image.colour[i] == Rgb(0, 255, 0) ? 1 : 0;
        }
        EXPECT_EQ(lit, 10 * k) << "bar of frame " << k;
    }
    EXPECT_EQ(strip.GetFrameIcon(12), 0u);
    EXPECT_EQ(strip.GetFrameIcon(-1), 0u);
}

// Exactly the key colour is transparent, in every file format; saturated
// colours keep their values (a 16-colour list would turn them olive and
// black); columns past the last whole frame and rows below the first 16
// are not used.
TEST_F(FrameStripTest, KeyColourIsTransparentAndOtherColoursStay) {
    const ColorRef colours[12] = {Rgb(0, 128, 129), Rgb(255, 128, 0), Rgb(255, 200, 0),
                                  Rgb(200, 255, 0), Rgb(0, 255, 64),  Rgb(0, 200, 200),
                                  Rgb(0, 64, 255),  Rgb(128, 0, 255), Rgb(255, 0, 200),
                                  Rgb(160, 32, 48), Rgb(32, 96, 160), Rgb(250, 240, 230)};
    const struct {
        int bits, width, height, frames;
    } skins[] = {{1, 32, 16, 2}, {24, 40, 16, 2}, {24, 192, 16, 12}, {32, 192, 16, 12},
                 {24, 32, 48, 2}};
    for (const auto& skin : skins) {
        const std::string name = std::to_string(skin.bits) + "-" + std::to_string(skin.width) +
                                 "x" + std::to_string(skin.height);
        SCOPED_TRACE(name);
        const auto colourOf = [&](int frame) { return colours[skin.bits == 1 ? 0 : frame % 12]; };
        BmpPicture picture;
        picture.width = skin.width;
        picture.height = skin.height;
        for (int y = 0; y < skin.height; ++y) {
            for (int x = 0; x < skin.width; ++x) {
                picture.pixels.push_back(IsKeyedTransparent(x, y) ? kKey : colourOf(x / 16));
            }
        }
        CTaskIcon strip;
        ASSERT_TRUE(LoadSkin(strip, name,
                             EncodeBmp(picture, skin.bits, false, {kKey, colours[0]})));
        ASSERT_EQ(strip.GetFrameCount(), skin.frames);
        for (int k = 0; k < skin.frames; ++k) {
            const IconPixels image = Frame(strip, k);
            for (int i = 0; i < 256; ++i) {
                const auto at = static_cast<std::size_t>(i);
                ASSERT_EQ(image.transparent[at], IsKeyedTransparent(16 * k + i % 16, i / 16))
                    << "frame " << k << " pixel " << i;
                if (!image.transparent[at]) {
                    ASSERT_EQ(image.colour[at], colourOf(k)) << "frame " << k << " pixel " << i;
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
    EXPECT_FALSE(LoadSkin(strip, "15wide", EncodeBmp(KeyedPattern(15, 16), 24, false)));
    EXPECT_EQ(strip.GetFrameCount(), 0);
    EXPECT_FALSE(LoadSkin(strip, "text", {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'}));
    EXPECT_EQ(m_pixels->LoadBitmapFile(TempFolder() + "/gaugelet-no-such-skin.bmp"), 0u);
}

}  // namespace

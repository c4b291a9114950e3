#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/nearest_scale.h"
#include "taskicon/task_icon.h"
#include "testing/fake_machine.h"

namespace {

constexpr WindowHandle kOwner = 0x4242;
constexpr std::uint32_t kMeterId = 0xFFFFFFFFu;

class TaskIconTest : public ::testing::Test, public FakeMachine {
protected:
    void TearDown() override {
        EXPECT_EQ(pixels.BadReleases(), 0);
        EXPECT_EQ(pixels.Live(), 0u);
    }

    const RecordingShell::ShownIcon* Shown() const { return shell.Find(kOwner, kMeterId); }
};

TEST_F(TaskIconTest, TipIsTheProgramNameAndShowsSixtyThreeCharacters) {
    const std::pair<const char*, const char*> names[] = {
        {"D:meter.v2.exe", "meter.v2"}, {"C:\\Program Files\\Gauge\\run", "run"}, {"", ""}};
    for (const auto& name : names) {
        system.m_moduleFileName = name.first;
        EXPECT_EQ(CTaskIcon().GetTip(), name.second) << name.first;
    }
    CTaskIcon icon;
    EXPECT_FALSE(icon.SetTip("offline")) << "no icon in the notification area yet";
    EXPECT_TRUE(icon.Add(kOwner, 0, kMeterId));
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Shown()->tip, "offline");
    EXPECT_EQ(Shown()->callbackMessage, g_uTaskIconNotifyMsg);
    EXPECT_EQ(shell.m_calls.back(), "add 7");

    const std::string longTip(100, 'x');
    EXPECT_TRUE(icon.SetTip(longTip));
    EXPECT_EQ(Shown()->tip, std::string(63, 'x'));
    EXPECT_EQ(icon.GetTip(), longTip);
    EXPECT_EQ(shell.m_calls.back(), "modify 4");
    EXPECT_FALSE(icon.Add(kOwner, 0, kMeterId, "second")) << "the same icon twice";
    EXPECT_EQ(icon.GetTip(), "second");
}

TEST_F(TaskIconTest, FramesShownAreOwnedAndDestroyedOnce) {
    {
        CTaskIcon icon;
        ASSERT_TRUE(icon.LoadFrames(130));
        ASSERT_TRUE(icon.Add(kOwner, 0, kMeterId));
        for (const auto& [index, shown] : {std::pair{12, 11}, {0, 0}, {5, 5}, {11, 11}, {-1, -1}}) {
            icon.ShowFrameIcon(index);
            EXPECT_EQ(pixels.IconOf(Shown()->icon).frame, shown) << index;
        }
        icon.ShowFrameIcon(0);
        icon.Remove();
        EXPECT_EQ(Shown(), nullptr);

        EXPECT_TRUE(icon.Add(kOwner, icon.GetFrameIcon(2), kMeterId));
        EXPECT_EQ(Shown()->tip, "gaugelet");
        icon.Add(kOwner, icon.GetFrameIcon(3), kMeterId);  // frees the icon it held
        EXPECT_FALSE(icon.SetFrames(0));
        EXPECT_EQ(icon.GetFrameCount(), 0);
    }
    EXPECT_TRUE(shell.m_shown.empty()) << "the destructor removes the icon";
}

// Every pixel is a pixel of its own frame, none is dropped, and at a whole
// factor each source pixel is an exact block.
TEST(FrameScale, EveryPixelIsACopyAndWholeFactorsMakeBlocks) {
    std::vector<std::uint32_t> source(48 * 16);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<std::uint32_t>(i);
    }
    for (const std::int32_t size : {16, 20, 24, 32, 48}) {
        ASSERT_EQ(ScaledStripSize(48, 16, 16, size).width, 3 * size);
        std::vector<std::uint32_t> out(static_cast<std::size_t>(3 * size * size));
        ScaleStrip(source.data(), 48, 16, 16, size, out.data());
        std::set<std::uint32_t> seen(out.begin(), out.end());
        EXPECT_EQ(seen.size(), source.size()) << size;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const auto x = static_cast<std::int32_t>(i) % (3 * size);
            const auto y = static_cast<std::int32_t>(i) / (3 * size);
            EXPECT_EQ(static_cast<std::int32_t>(out[i] % 48) / 16, x / size) << size;
            const std::int32_t s = size / 16;
            if (size % 16 == 0) {
                EXPECT_EQ(out[i], source[static_cast<std::size_t>(y / s * 48 + x / s)]);
            }
            if (size == 24) {
                // Sampled at pixel centres, the odd source columns and rows are doubled.
                const int kept[24] = {0, 1, 1, 2, 3, 3, 4, 5, 5, 6, 7, 7,
                                      8, 9, 9, 10, 11, 11, 12, 13, 13, 14, 15, 15};
                EXPECT_EQ(out[i], source[static_cast<std::size_t>(kept[y] * 48 + x / 24 * 16 +
                                                                  kept[x % 24])]);
            }
        }
    }
}

TEST(FrameScale, StripsPastTheCapOrWithoutAFrameAreRefused) {
    const struct {
        std::int32_t width, height, frame, scaled;
    } refused[] = {{16384, 16, 16, 32}, {8192, 1024, 16, 32}, {16400, 16, 16, 16},
                   {15, 16, 16, 32},    {0, 16, 16, 32},      {16, 16, 0, 32},
                   {16, 16, 16, 0},     {-16, 16, 16, 32},    {16, 1, 16, 8}};
    for (const auto& c : refused) {
        EXPECT_EQ(ScaledStripSize(c.width, c.height, c.frame, c.scaled).width, 0) << c.width;
    }
    EXPECT_EQ(ScaledStripSize(8192, 512, 16, 32).width, 16384);
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include "taskicon/task_icon.h"
#include "testing/fake_system.h"
#include "testing/memory_pixels.h"
#include "testing/recording_shell.h"

namespace {

constexpr WindowHandle kOwner = 0x4242;
constexpr std::uint32_t kMeterId = 0xFFFFFFFFu;

class TaskIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPixels(&m_pixels);
        SetShell(&m_shell);
        SetSystem(&m_system);
        m_system.m_moduleFileName = "C:\\Tools\\meter.exe";
        RegisterTaskIconMessage();
    }
    void TearDown() override {
        EXPECT_EQ(m_pixels.BadReleases(), 0);
        EXPECT_EQ(m_pixels.LiveImageLists(), 0u);
        EXPECT_EQ(m_pixels.LiveIcons(), 0u);
        SetPixels(nullptr);
        SetShell(nullptr);
        SetSystem(nullptr);
    }

    const RecordingShell::ShownIcon* Shown() const { return m_shell.Find(kOwner, kMeterId); }

    MemoryPixels m_pixels;
    RecordingShell m_shell;
    FakeSystem m_system;
};

TEST_F(TaskIconTest, AddShowsProgramNameWithTheFirstVersionRecord) {
    const std::pair<const char*, const char*> tips[] = {
        {"D:meter.v2.exe", "meter.v2"}, {"C:\\Program Files\\Gauge\\run", "run"}, {"", ""}};
    for (const auto& tip : tips) {
        m_system.m_moduleFileName = tip.first;
        EXPECT_EQ(CTaskIcon().GetTip(), tip.second) << tip.first;
    }
    m_system.m_moduleFileName = "C:\\Tools\\meter.exe";
    CTaskIcon icon;
    EXPECT_TRUE(icon.Add(kOwner, 0, kMeterId));
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Shown()->tip, "meter");
    EXPECT_EQ(Shown()->icon, 0u);
    EXPECT_EQ(Shown()->callbackMessage, g_uTaskIconNotifyMsg);
    ASSERT_EQ(m_shell.m_calls.size(), 1u);
    EXPECT_EQ(m_shell.m_calls[0].data.cbSize, sizeof(win32::NotifyIconDataA));
    EXPECT_EQ(m_shell.m_calls[0].data.uFlags, 7u);
}

TEST_F(TaskIconTest, TooltipShowsSixtyThreeCharactersAndKeepsTheWholeText) {
    CTaskIcon icon;
    const std::string longTip(100, 'x');
    EXPECT_FALSE(icon.SetTip("offline")) << "no icon in the notification area yet";
    EXPECT_EQ(icon.GetTip(), "offline");
    EXPECT_TRUE(icon.Add(kOwner, 0, kMeterId));
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Shown()->tip, "offline");

    EXPECT_TRUE(icon.SetTip(longTip));
    EXPECT_EQ(Shown()->tip, std::string(63, 'x'));
    EXPECT_EQ(icon.GetTip(), longTip);
    EXPECT_EQ(m_shell.m_calls.back().data.uFlags, win32::kNifTip);

    EXPECT_FALSE(icon.Add(kOwner, 0, kMeterId, "second")) << "the same icon twice";
    EXPECT_EQ(icon.GetTip(), "second");
}

TEST_F(TaskIconTest, OldShellHasNoNotificationIcons) {
    m_system.m_majorVersion = 3;
    CTaskIcon icon;
    ASSERT_TRUE(icon.LoadFrames(130));
    EXPECT_FALSE(icon.Add(kOwner, 0, kMeterId));
    EXPECT_FALSE(icon.Add(kOwner, 0, kMeterId, "tip"));
    EXPECT_FALSE(icon.SetTip("tip"));
    const IconHandle frame = icon.GetFrameIcon(0);
    EXPECT_FALSE(icon.SetIcon(frame));
    m_pixels.DestroyIcon(frame);
    icon.ShowFrameIcon(3);
    icon.Remove();
    EXPECT_TRUE(m_shell.m_calls.empty());
    EXPECT_EQ(icon.GetTip(), "meter");
    EXPECT_EQ(m_pixels.LiveIcons(), 0u);
}

TEST_F(TaskIconTest, FramesShownAreOwnedAndDestroyedOnce) {
    {
        CTaskIcon icon;
        ASSERT_TRUE(icon.LoadFrames(130));
        ASSERT_TRUE(icon.Add(kOwner, 0, kMeterId));

        icon.ShowFrameIcon(12);
        ASSERT_NE(Shown()->icon, 0u);
        const IconHandle last = icon.GetFrameIcon(11);
        EXPECT_EQ(m_pixels.FindIcon(Shown()->icon)->colour.pixels,
                  m_pixels.FindIcon(last)->colour.pixels);
        m_pixels.DestroyIcon(last);

        for (int frame = 0; frame < 12; ++frame) {
            icon.ShowFrameIcon(frame);
            EXPECT_EQ(m_pixels.LiveIcons(), 1u) << "a frame change costs one icon";
        }
        icon.ShowFrameIcon(-1);
        EXPECT_EQ(Shown()->icon, 0u);

        icon.ShowFrameIcon(0);
        icon.Remove();
        EXPECT_EQ(Shown(), nullptr);
        EXPECT_EQ(m_pixels.LiveIcons(), 0u);

        EXPECT_TRUE(icon.Add(kOwner, icon.GetFrameIcon(2), kMeterId));
        ASSERT_NE(Shown(), nullptr);
        EXPECT_EQ(Shown()->tip, "meter");
        // Adding again over a held icon must not leak the first one.
        icon.Add(kOwner, icon.GetFrameIcon(3), kMeterId);
        EXPECT_EQ(m_pixels.LiveIcons(), 1u);
        icon.Remove();
        EXPECT_EQ(Shown(), nullptr);

        icon.Add(kOwner, 0, kMeterId);
        icon.ShowFrameIcon(5);
    }
    EXPECT_TRUE(m_shell.m_shown.empty()) << "the destructor removes the icon";
}

TEST_F(TaskIconTest, SkinChangeReplacesTheStrip) {
    CTaskIcon icon;
    bmp::Image wide{200, 16, std::vector<ColorRef>(200 * 16, Rgb(1, 2, 3))};
    const BitmapHandle bitmap = m_pixels.AddBitmap(wide);
    ASSERT_TRUE(icon.LoadFrames(130));
    ASSERT_TRUE(icon.SetFrames(bitmap));
    EXPECT_EQ(icon.GetFrameCount(), 12);
    EXPECT_EQ(m_pixels.LiveImageLists(), 1u);
    m_pixels.DeleteBitmap(bitmap);
}

}  // namespace

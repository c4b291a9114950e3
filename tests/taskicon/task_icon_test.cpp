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

TEST_F(TaskIconTest, TipIsTheProgramNameAndShowsSixtyThreeCharacters) {
    const std::pair<const char*, const char*> names[] = {
        {"D:meter.v2.exe", "meter.v2"}, {"C:\\Program Files\\Gauge\\run", "run"}, {"", ""}};
    for (const auto& name : names) {
        m_system.m_moduleFileName = name.first;
        EXPECT_EQ(CTaskIcon().GetTip(), name.second) << name.first;
    }
    m_system.m_moduleFileName = "C:\\Tools\\meter.exe";
    CTaskIcon icon;
    EXPECT_FALSE(icon.SetTip("offline")) << "no icon in the notification area yet";
    EXPECT_EQ(icon.GetTip(), "offline");
    EXPECT_TRUE(icon.Add(kOwner, 0, kMeterId));
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Shown()->tip, "offline");
    EXPECT_EQ(Shown()->icon, 0u);
    EXPECT_EQ(Shown()->callbackMessage, g_uTaskIconNotifyMsg);
    EXPECT_EQ(m_shell.m_calls.back().data.cbSize, sizeof(win32::NotifyIconDataA));
    EXPECT_EQ(m_shell.m_calls.back().data.uFlags, 7u);

    const std::string longTip(100, 'x');
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
    EXPECT_FALSE(icon.Add(kOwner, 0, kMeterId, "tip"));
    EXPECT_FALSE(icon.SetTip("tip"));
    const IconHandle frame = icon.GetFrameIcon(0);
    EXPECT_FALSE(icon.SetIcon(frame));
    m_pixels.DestroyIcon(frame);
    icon.ShowFrameIcon(3);
    icon.Remove();
    EXPECT_TRUE(m_shell.m_calls.empty());
}

TEST_F(TaskIconTest, FramesShownAreOwnedAndDestroyedOnce) {
    {
        CTaskIcon icon;
        ASSERT_TRUE(icon.LoadFrames(130));
        ASSERT_TRUE(icon.Add(kOwner, 0, kMeterId));
        icon.ShowFrameIcon(12);  // past the end: the last frame
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
        EXPECT_EQ(Shown()->tip, "meter");
        icon.Add(kOwner, icon.GetFrameIcon(3), kMeterId);
        EXPECT_EQ(m_pixels.LiveIcons(), 1u) << "adding again over a held icon frees it";
        icon.Remove();
        icon.Add(kOwner, 0, kMeterId);
        icon.ShowFrameIcon(5);

        const BitmapHandle wide =
            m_pixels.AddBitmap({200, 16, std::vector<ColorRef>(200 * 16, Rgb(1, 2, 3))});
        ASSERT_TRUE(icon.SetFrames(wide));
        EXPECT_EQ(icon.GetFrameCount(), 12);
        EXPECT_EQ(m_pixels.LiveImageLists(), 1u) << "a new skin replaces the strip";
        m_pixels.DeleteBitmap(wide);
    }
    EXPECT_TRUE(m_shell.m_shown.empty()) << "the destructor removes the icon";
}

}  // namespace

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
        EXPECT_EQ(m_pixels.LiveImageLists() + m_pixels.LiveIcons() + m_pixels.LiveBitmaps(), 0u);
        SetPixels(nullptr);
        SetShell(nullptr);
        SetSystem(nullptr);
    }

    const RecordingShell::ShownIcon* Shown() const { return m_shell.Find(kOwner, kMeterId); }
    int ShownFrame() const {
        const MemoryPixels::Icon* icon = m_pixels.FindIcon(Shown()->icon);
        return icon == nullptr ? -1 : icon->frame;
    }

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
    CTaskIcon icon;
    EXPECT_FALSE(icon.SetTip("offline")) << "no icon in the notification area yet";
    EXPECT_TRUE(icon.Add(kOwner, 0, kMeterId));
    ASSERT_NE(Shown(), nullptr);
    EXPECT_EQ(Shown()->tip, "offline");
    EXPECT_EQ(Shown()->callbackMessage, g_uTaskIconNotifyMsg);
    EXPECT_EQ(m_shell.m_calls.back(), "add 7");

    const std::string longTip(100, 'x');
    EXPECT_TRUE(icon.SetTip(longTip));
    EXPECT_EQ(Shown()->tip, std::string(63, 'x'));
    EXPECT_EQ(icon.GetTip(), longTip);
    EXPECT_EQ(m_shell.m_calls.back(), "modify 4");
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
        for (const auto& [index, shown] : {std::pair{12, 11}, {0, 0}, {5, 5}, {11, 11}, {-1, -1}}) {
            icon.ShowFrameIcon(index);
            EXPECT_EQ(ShownFrame(), shown) << index;
            EXPECT_LE(m_pixels.LiveIcons(), 1u) << "a frame change costs one icon";
        }
        icon.ShowFrameIcon(0);
        icon.Remove();
        EXPECT_EQ(Shown(), nullptr);
        EXPECT_EQ(m_pixels.LiveIcons(), 0u);

        EXPECT_TRUE(icon.Add(kOwner, icon.GetFrameIcon(2), kMeterId));
        EXPECT_EQ(Shown()->tip, "meter");
        icon.Add(kOwner, icon.GetFrameIcon(3), kMeterId);
        EXPECT_EQ(m_pixels.LiveIcons(), 1u) << "adding again over a held icon frees it";
        EXPECT_FALSE(icon.SetFrames(0));
        EXPECT_EQ(icon.GetFrameCount(), 0);
    }
    EXPECT_TRUE(m_shell.m_shown.empty()) << "the destructor removes the icon";
}

}  // namespace

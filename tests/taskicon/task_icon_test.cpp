#include <gtest/gtest.h>

#include <string>

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

}  // namespace

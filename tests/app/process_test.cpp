#include "tests/app/meter_fixture.h"

namespace {

class Process : public MeterTest {
public:
    // One tick in which the named process used the given share of the time.
    void TickWithProcess(RecordingWindow& window, const std::string& name, int percent) {
        for (auto& process : m_processes) {
            if (process.first == name) {
                process.second += static_cast<std::uint64_t>(10 * percent);
            }
        }
        TickAt(window, 0);
    }

    static std::vector<std::string> Texts(const std::vector<RecordingWindow::MenuItem>& items) {
        std::vector<std::string> texts;
        for (const auto& item : items) {
            texts.push_back(std::to_string(item.id) + " " + item.text +
                            (item.checked ? " *" : ""));
        }
        return texts;
    }
};

TEST_F(Process, ChoicesBindTheQueryAndTotalReturnsToTheProcessor) {
    m_system.m_majorVersion = 4;  // the whole processor is instance "0"
    m_processes = {{"Idle", 0}, {"_Total", 0}, {"svchost", 0}, {"svchost", 0}, {"gaugelet", 0}};
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        std::uint32_t choice = 2004;
        window.m_chooseFromMenu = [&](const auto&, const auto&) { return choice; };
        window.Send(win32::kWmRButtonUp);
        EXPECT_EQ(Texts(window.m_trackedProcessItems),
                  (std::vector<std::string>{"2000 Idle", "2001 _Total", "2002 svchost",
                                            "2003 svchost", "2004 gaugelet"}));
        EXPECT_TRUE(dlg.m_bWatchProcess);
        EXPECT_EQ(dlg.m_perfQuery.m_strObject, "Process");
        EXPECT_EQ(dlg.m_perfQuery.m_strInstance, "gaugelet");
        TickWithProcess(window, "gaugelet", 0);
        TickWithProcess(window, "gaugelet", 50);
        EXPECT_EQ(dlg.m_nFrame, 5);
        TickWithProcess(window, "gaugelet", 200);  // two processors: ignored
        EXPECT_EQ(dlg.m_nFrame, 5);

        choice = 2003;  // a duplicate name watches the last instance of it
        window.Send(win32::kWmRButtonUp);
        EXPECT_TRUE(dlg.m_bWatchProcess);
        EXPECT_EQ(dlg.m_perfQuery.m_nInstanceIndex, 3);

        choice = 2001;
        window.Send(win32::kWmRButtonUp);
        EXPECT_FALSE(dlg.m_bWatchProcess);
        EXPECT_EQ(dlg.m_perfQuery.m_strObject, "Processor");
        EXPECT_EQ(dlg.m_perfQuery.m_strInstance, "0");
        EXPECT_EQ(dlg.m_instanceName, "0");
        TickAt(window, 70);
        TickAt(window, 70);
        EXPECT_EQ(dlg.m_nFrame, 7);

        choice = 2000;
        window.Send(win32::kWmRButtonUp);
        EXPECT_TRUE(dlg.m_bWatchProcess);
        EXPECT_EQ(dlg.m_perfQuery.m_strInstance, "Idle");

        window.Command(2005);  // past the list: stale
        EXPECT_TRUE(dlg.m_bWatchProcess);
        EXPECT_EQ(dlg.m_perfQuery.m_strInstance, "Idle");
        EXPECT_TRUE(window.m_boxes.empty());
    });
}

TEST_F(Process, AProcessGoneSinceTheMenuOpenedIsReportedAndTheProcessorWatched) {
    m_processes = {{"explorer", 0}, {"shortlived", 0}};
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        window.Command(2000);  // nothing listed yet
        EXPECT_FALSE(dlg.m_bWatchProcess);
        EXPECT_EQ(dlg.m_perfQuery.m_strObject, "Processor");

        std::uint32_t choice = 2000;
        window.m_chooseFromMenu = [&](const auto&, const auto&) { return choice; };
        window.Send(win32::kWmRButtonUp);
        ASSERT_TRUE(dlg.m_bWatchProcess);

        window.m_chooseFromMenu = [&](const auto&, const auto&) {
            m_processes.pop_back();
            return 2001u;
        };
        window.Send(win32::kWmRButtonUp);
        ASSERT_EQ(window.m_boxes.size(), 1u);
        EXPECT_EQ(window.m_boxes[0].text, "Failed to create performance data query !");
        EXPECT_EQ(window.m_boxes[0].caption, "Error");
        EXPECT_EQ(window.m_boxes[0].style, 0x40u);
        EXPECT_FALSE(dlg.m_bWatchProcess);
        EXPECT_EQ(dlg.m_perfQuery.m_strObject, "Processor");
        EXPECT_EQ(dlg.m_perfQuery.m_strInstance, "_Total");
        TickAt(window, 40);
        TickAt(window, 40);
        EXPECT_EQ(dlg.m_nFrame, 4);
        EXPECT_EQ(TrayFrame(dlg), 4);
    });
    EXPECT_EQ(g_nPerfDataUsers.load(), 0);
    EXPECT_EQ(m_registry.OpenHandleCount(), 0);
}

TEST_F(Process, AChangeOfObjectStartsAFreshPairOfSamples) {
    m_processes = {{"editor", 0}};
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        std::uint32_t choice = 2000;
        window.m_chooseFromMenu = [&](const auto&, const auto&) { return choice; };
        for (int tick = 0; tick < 4; ++tick) {
            TickAt(window, 70);
        }
        ASSERT_EQ(TrayFrame(dlg), 7);
        window.Send(win32::kWmRButtonUp);
        ASSERT_TRUE(dlg.m_bWatchProcess);
        TickWithProcess(window, "editor", 30);  // only records: the 7 stays
        EXPECT_EQ(TrayFrame(dlg), 7);
        TickWithProcess(window, "editor", 30);
        EXPECT_EQ(TrayFrame(dlg), 3);

        choice = 2001;  // "_Total", listed after the processes
        m_processes.push_back({"_Total", 0});
        window.Send(win32::kWmRButtonUp);
        ASSERT_FALSE(dlg.m_bWatchProcess);
        TickAt(window, 90);
        EXPECT_EQ(TrayFrame(dlg), 3);
        TickAt(window, 90);
        EXPECT_EQ(TrayFrame(dlg), 9);
    });
}

TEST_F(Process, AnExitedProcessShowsIdleAndIsWatchedAgainWhenItReturns) {
    m_processes = {{"explorer", 0}, {"victim", 0}, {"hog", 0}};
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        window.m_chooseFromMenu = [&](const auto&, const auto&) { return 2001u; };
        window.Send(win32::kWmRButtonUp);
        ASSERT_EQ(dlg.m_perfQuery.m_strInstance, "victim");
        TickWithProcess(window, "victim", 30);
        TickWithProcess(window, "victim", 30);
        ASSERT_EQ(TrayFrame(dlg), 3);

        m_processes.erase(m_processes.begin() + 1);  // "hog" moves into its place
        for (int tick = 0; tick < 3; ++tick) {
            TickWithProcess(window, "hog", 90);
            EXPECT_NE(TrayFrame(dlg), 9);
        }
        EXPECT_EQ(TrayFrame(dlg), 0);
        EXPECT_EQ(dlg.m_perfQuery.m_nInstanceIndex, -1);

        m_processes.push_back({"victim", 0});
        for (int tick = 0; tick < 5; ++tick) {
            TickWithProcess(window, "victim", 50);
        }
        EXPECT_EQ(TrayFrame(dlg), 5);
        EXPECT_TRUE(dlg.m_bWatchProcess);
    });
}

TEST_F(Process, TwelveHundredProcessesAreListedAndThoseAboveTheRangeAreInert) {
    for (int i = 0; i < 1200; ++i) {
        m_processes.push_back({"p" + std::to_string(i), 0});
    }
    Run([&](CGaugeletDlg& dlg, RecordingWindow& window) {
        std::uint32_t choice = 3000;
        window.m_chooseFromMenu = [&](const auto&, const auto&) { return choice; };
        window.Send(win32::kWmRButtonUp);
        ASSERT_EQ(window.m_trackedProcessItems.size(), 1200u);
        EXPECT_EQ(window.m_trackedProcessItems.back().id, 3199u);
        EXPECT_EQ(window.m_trackedProcessItems.back().text, "p1199");
        EXPECT_EQ(dlg.m_perfQuery.m_strInstance, "p1000");
        EXPECT_TRUE(dlg.m_bWatchProcess);

        choice = 3001;
        window.Send(win32::kWmRButtonUp);
        window.Command(3199);
        EXPECT_EQ(dlg.m_perfQuery.m_strInstance, "p1000");
        EXPECT_TRUE(window.m_boxes.empty());
        EXPECT_EQ(window.LiveMenus(), 0);
    });
}

}  // namespace

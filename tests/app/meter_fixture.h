// The meter window on a machine of in-memory seams whose processor and
// process times the test moves on a second at a time.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/gaugelet_app.h"
#include "app/gaugelet_dlg.h"
#include "app/meter_ids.h"
#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "perf/processor_instances.h"
#include "res/resource_ids.h"
#include "testing/fake_machine.h"

using Lines = std::vector<std::string>;

// An application object that only gives the meter its command line.
struct CommandLineApp : CGaugeletApp {
    explicit CommandLineApp(const std::string& commandLine) { m_strCmdLine = commandLine; }
    bool InitInstance() override { return false; }
};

class Meter : public ::testing::Test, public FakeMachine {
protected:
    struct Process {
        std::string name;
        int percent;  // of the processor, every second
        std::uint64_t time = 0;
    };
    static constexpr int kClockStill = -1000;  // a load for a tick in which no time passes

    void SetUp() override {
        g_nPerfDataUsers = 0;
        system.m_majorVersion = 5;
        ServeBlocks([this](const std::string& name) {
            ++m_reads;
            m_block = m_served ? Block(name) : std::vector<std::uint8_t>();
            return &m_block;
        });
    }
    // A window takes with it everything it made.
    void TearDown() override {
        EXPECT_EQ(pixels.Live(), 0u);
        EXPECT_EQ(pixels.BadReleases() + window.m_badMenuReleases, 0);
        EXPECT_EQ(registry.OpenHandleCount(), 0);
        EXPECT_EQ(g_nPerfDataUsers.load(), 0);
        EXPECT_TRUE(window.m_menus.empty());
    }

    void Store(std::initializer_list<std::pair<const char*, std::int32_t>> settings) {
        for (const auto& [name, value] : settings) {
            registry.PutDword("", win32::kRootCurrentUser, meter::kSettingsKey, name,
                              static_cast<std::uint32_t>(value));
        }
    }
    void Answering(const std::string& machine, const std::string& version) {
        registry.SetMachineAnswers(machine, true);
        registry.PutString(machine, win32::kRootLocalMachine,
                           "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion",
                           version);
    }

    // The processors' idle time as "0" onwards and "_Total", or each process's time.
    std::vector<std::uint8_t> Block(const std::string& name) const {
        const bool processor = name == "238";
        perf::ObjectSpec object;
        object.nameTitleIndex = static_cast<std::uint32_t>(std::stoul(name));
        object.counters = {
            {6, processor ? perf::kCounterTypeTimer100NsInv : perf::kCounterTypeTimer100Ns}};
        if (processor) {
            object.instances = perf::ProcessorInstances(std::vector<std::int64_t>(m_processors, m_idle));
        }
        for (const Process& process : processor ? std::vector<Process>() : m_processes) {
            object.instances.push_back({{process.name.begin(), process.name.end()}, {process.time}});
        }
        return perf::BuildPerfBlock({0, 10000000, m_time, {object}});
    }

    void Run(const std::function<void(CGaugeletDlg&)>& script) {
        CGaugeletDlg dlg;
        m_dlg = &dlg;
        window.m_script = [&](RecordingWindow&) { script(dlg); };
        dlg.DoModal();
    }
    void OpenMenu(std::uint32_t choice) {
        window.m_choose = [choice] { return choice; };
        window.Send(win32::kWmRButtonUp);
    }

    // A second at the given processor load: the frame in the notification
    // area and on the desktop (-1 for none), the reads of performance data,
    // the icons handed to the displays, and " ?" where the tip says there
    // are no data.
    std::string Tick(int load) {
        if (load != kClockStill) {
            m_time += 1000;
            m_idle += 10 * (100 - load);
            for (Process& process : m_processes) {
                process.time += static_cast<std::uint64_t>(10 * process.percent);
            }
        }
        const int reads = m_reads;
        const std::size_t calls = shell.m_calls.size();
        IconHandle& desk = window.m_staticIcons[IDC_METER];
        const IconHandle deskBefore = desk;
        window.Tick();
        const auto draws = std::count_if(shell.m_calls.begin() + static_cast<long>(calls), shell.m_calls.end(),
                                         [](const std::string& call) { return call != "modify 4"; }) +
                           (desk != deskBefore ? 1 : 0);
        const std::string tip = Tip();
        return std::to_string(TrayFrame()) + " " + std::to_string(pixels.IconOf(desk).frame) +
               " r" + std::to_string(m_reads - reads) + " d" + std::to_string(draws) +
               (tip.size() > 9 && tip.substr(tip.size() - 9) == "(no data)" ? " ?" : "");
    }
    Lines Ticks(std::size_t count, int load) {
        Lines shown(count);
        std::generate(shown.begin(), shown.end(), [&] { return Tick(load); });
        return shown;
    }

    const RecordingShell::ShownIcon* TrayIcon() const {
        return shell.Find(RecordingWindow::kDialog, meter::kTaskIconId);
    }
    int TrayFrame() const { return pixels.IconOf(TrayIcon() ? TrayIcon()->icon : 0).frame; }
    std::string Tip() const { return TrayIcon() == nullptr ? "(no icon)" : TrayIcon()->tip; }
    // "left,top widthxheight"
    std::string WindowAt() const {
        const WindowRect& r = window.m_rect;
        return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
               std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
    }

    CGaugeletDlg* m_dlg = nullptr;
    std::vector<std::uint8_t> m_block;
    bool m_served = true;
    int m_reads = 0;
    std::int64_t m_time = 1000;
    std::int64_t m_idle = 0;
    std::size_t m_processors = 1;
    std::vector<Process> m_processes;
};

// The meter window over the in-memory registry, the recording window and
// shell, and the pixel buffers, with a performance source fed by the test.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/gaugelet_app.h"
#include "app/gaugelet_dlg.h"
#include "perf/perf_block_builder.h"
#include "perf/perf_layout.h"
#include "testing/fake_machine.h"

inline const char kSettings[] = "Software\\Brindleworks\\Gaugelet";

// An application object that only gives the meter its command line.
struct CommandLineApp : CGaugeletApp {
    explicit CommandLineApp(const std::string& commandLine) { m_strCmdLine = commandLine; }
    bool InitInstance() override { return false; }
};

class MeterTest : public ::testing::Test {
public:
    void SetUp() override {
        g_nPerfDataUsers = 0;
        m_system.m_majorVersion = 5;
        m_machine.ServeBlocks([this](const std::string& name) {
            ++m_fetches;
            m_served = m_perfDataServed ? Block(name) : std::vector<std::uint8_t>();
            return &m_served;
        });
    }

    // A remote machine that answers and reports the given version.
    void ReachableMachine(const std::string& name, const std::string& version) {
        m_registry.SetMachineAnswers(name, true);
        m_registry.PutString(name, win32::kRootLocalMachine,
                             "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion",
                             version);
    }

    // Idle time of "_Total"/"0" and the block's time; processes with their times.
    std::vector<std::uint8_t> Block(const std::string& name) const {
        perf::BlockSpec spec;
        spec.perfFreq = 10000000;
        spec.perfTime100nSec = m_time;
        perf::ObjectSpec object;
        object.counters = {{6, perf::kCounterTypeTimer100NsInv, 8}};
        if (name == "238") {
            object.nameTitleIndex = 238;
            object.instances = {{u"0", {m_idle}}, {u"_Total", {m_idle}}};
        } else if (name == "230") {
            object.nameTitleIndex = 230;
            object.counters = {{6, perf::kCounterTypeTimer100Ns, 8}};
            for (const auto& process : m_processes) {
                object.instances.push_back(
                    {std::u16string(process.first.begin(), process.first.end()),
                     {process.second}});
            }
        } else {
            return {};
        }
        spec.objects.push_back(object);
        return perf::BuildPerfBlock(spec);
    }

    // Runs the meter with a script; the dialog object is gone afterwards.
    void Run(std::function<void(CGaugeletDlg&, RecordingWindow&)> script) {
        CGaugeletDlg dlg;
        m_window.m_script = [&](RecordingWindow& window) { script(dlg, window); };
        dlg.DoModal();
    }

    // One tick after advancing the clock by 1000 units with the given load.
    void TickAt(RecordingWindow& window, int loadPercent) {
        m_time += 1000;
        m_idle += static_cast<std::uint64_t>(10 * (100 - loadPercent));
        window.Tick();
    }

    IconHandle StaticIcon() { return m_window.GetStaticIcon(RecordingWindow::kDialog, 1001); }

    // The frame an icon shows, found by its pixels: -1 for no icon, -2 for
    // an image that is no frame of the strip.
    int FrameOf(CGaugeletDlg& dlg, IconHandle icon) {
        const IconImage* image = icon == 0 ? nullptr : m_pixels.FindIcon(icon);
        if (image == nullptr) {
            return -1;
        }
        for (int frame = 0; frame < dlg.m_taskIcon.GetFrameCount(); ++frame) {
            const IconHandle candidate = dlg.m_taskIcon.GetFrameIcon(frame);
            const IconImage* pixels = m_pixels.FindIcon(candidate);
            const bool same = pixels != nullptr && pixels->colour.pixels == image->colour.pixels;
            m_pixels.DestroyIcon(candidate);
            if (same) {
                return frame;
            }
        }
        return -2;
    }
    int TrayFrame(CGaugeletDlg& dlg) {
        const RecordingShell::ShownIcon* shown = m_shell.Find(RecordingWindow::kDialog, 0xFFFFFFFFu);
        return FrameOf(dlg, shown == nullptr ? 0 : shown->icon);
    }

    FakeMachine m_machine;
    MemoryRegistry& m_registry = m_machine.registry;
    FakeSystem& m_system = m_machine.system;
    MemoryPixels& m_pixels = m_machine.pixels;
    RecordingShell& m_shell = m_machine.shell;
    RecordingWindow& m_window = m_machine.window;
    std::vector<std::uint8_t> m_served;
    bool m_perfDataServed = true;
    int m_fetches = 0;  // reads of the performance data
    std::int64_t m_time = 1000;
    std::uint64_t m_idle = 0;
    std::vector<std::pair<std::string, std::uint64_t>> m_processes;
};

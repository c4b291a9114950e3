// A whole machine for the meter window's tests and benchmarks: every seam
// installed over its in-memory or recording fake, and the standard counter
// names in place.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "perf/perf_layout.h"
#include "taskicon/task_icon.h"
#include "testing/fake_system.h"
#include "testing/memory_pixels.h"
#include "testing/memory_registry.h"
#include "testing/recording_shell.h"
#include "testing/recording_window.h"

struct FakeMachine {
    FakeMachine() {
        SetRegistry(&registry);
        SetSystem(&system);
        SetPixels(&pixels);
        SetShell(&shell);
        SetWindow(&window);
        RegisterTaskIconMessage();
        registry.PutMultiString("", win32::kRootLocalMachine, perf::kCounterTableKey, perf::kCounterTableValue,
                                {"6", "% Processor Time", "230", "Process", "238", "Processor"});
    }

    // Serves the block a source gives for a title index as the real key does:
    // ERROR_MORE_DATA with the size needed for a short buffer, and
    // ERROR_FILE_NOT_FOUND for an empty block, an object the system lacks.
    void ServeBlocks(std::function<const std::vector<std::uint8_t>*(const std::string& name)> source) {
        registry.SetPerformanceDataHandler([source](auto&, auto&, const std::string& name, std::uint32_t* type,
                                                    std::uint8_t* data, std::uint32_t* size) {
            const std::vector<std::uint8_t>& block = *source(name);
            return block.empty() ? win32::kErrorFileNotFound
                                 : AnswerQueryValue(block, win32::kRegBinary, size != nullptr ? *size : 0,
                                                    type, data, size);
        });
    }

    MemoryRegistry registry;
    FakeSystem system;
    MemoryPixels pixels;
    RecordingShell shell;
    RecordingWindow window;
};

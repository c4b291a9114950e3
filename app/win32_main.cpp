// The program's entry: installs the Win32 backends behind every seam and
// hands the command line to the one application object.
#include <windows.h>

#include "app/command_line.h"
#include "app/gaugelet_app.h"
#include "perf/synthetic_perf_data.h"
#include "platform/win32/win32_pixels.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_window.h"
#include "taskicon/task_icon.h"

namespace {
CGaugeletApp theApp;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Win32Registry systemRegistry;
    Win32System system;
    SyntheticPerfData registry(systemRegistry, system);
    Win32Pixels pixels;
    Win32Shell shell;
    Win32Window window(instance);
    SetRegistry(&registry);
    SetSystem(&system);
    SetPixels(&pixels);
    SetShell(&shell);
    SetWindow(&window);
    RegisterTaskIconMessage();

    return theApp.Run(CommandTail(GetCommandLineA()));
}

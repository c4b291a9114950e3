#include "platform/window_api.h"

#include <cstdlib>

namespace {
WindowApi* g_window = nullptr;
}

WindowApi& Window() {
    if (g_window == nullptr) {
        std::abort();  // the host installs a backend before the meter window exists
    }
    return *g_window;
}

void SetWindow(WindowApi* window) { g_window = window; }

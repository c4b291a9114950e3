#include "platform/system_api.h"

#include <cstdlib>

namespace {
SystemApi* g_system = nullptr;
}

SystemApi& System() {
    if (g_system == nullptr) {
        std::abort();  // the host installs a backend before any system query
    }
    return *g_system;
}

void SetSystem(SystemApi* system) { g_system = system; }

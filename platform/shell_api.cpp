#include "platform/shell_api.h"

#include <cstdlib>

namespace {
ShellApi* g_shell = nullptr;
}

ShellApi& Shell() {
    if (g_shell == nullptr) {
        std::abort();  // the host installs a backend before any icon is shown
    }
    return *g_shell;
}

void SetShell(ShellApi* shell) { g_shell = shell; }

#include "platform/registry_api.h"

#include <cstdlib>

namespace {
RegistryApi* g_registry = nullptr;
}

RegistryApi& Registry() {
    if (g_registry == nullptr) {
        std::abort();  // the host installs a backend before any registry use
    }
    return *g_registry;
}

void SetRegistry(RegistryApi* registry) { g_registry = registry; }

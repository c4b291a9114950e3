#include "testing/memory_registry.h"
#include "tests/registry/registry_backend.h"

std::unique_ptr<RegistryApi> MakeRegistryBackend() { return std::make_unique<MemoryRegistry>(); }

void ForgetTestKey(const std::string&) {}  // every test gets a fresh registry

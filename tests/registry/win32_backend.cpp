#include <windows.h>

#include "platform/win32/win32_registry.h"
#include "tests/registry/registry_backend.h"

std::unique_ptr<RegistryApi> MakeRegistryBackend() { return std::make_unique<Win32Registry>(); }

void ForgetTestKey(const std::string& path) { RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }

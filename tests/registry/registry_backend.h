// The registry contract runs against whichever backend the test program
// links: the in-memory one natively, ADVAPI32 under Wine.
#pragma once

#include <memory>
#include <string>

#include "platform/registry_api.h"

std::unique_ptr<RegistryApi> MakeRegistryBackend();
// Removes what an earlier run left under HKEY_CURRENT_USER\path.
void ForgetTestKey(const std::string& path);

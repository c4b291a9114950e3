// The registry seam over ADVAPI32.
#pragma once

#include "platform/registry_api.h"

class Win32Registry : public RegistryApi {
public:
    std::int32_t OpenKey(win32::RegKey root, const std::string& subKey, std::uint32_t access,
                         win32::RegKey* result) override;
    std::int32_t CreateKey(win32::RegKey root, const std::string& subKey, std::uint32_t access,
                           win32::RegKey* result) override;
    std::int32_t QueryValue(win32::RegKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) override;
    std::int32_t SetValue(win32::RegKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override;
    std::int32_t CloseKey(win32::RegKey key) override;
    std::int32_t ConnectRegistry(const std::string& machine, win32::RegKey root,
                                 win32::RegKey* result) override;
};

// The registry seam: the six operations the meter's registry objects use.
// Results are Win32 status codes (win32::kErrorSuccess and friends).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32_abi.h"

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    virtual std::int32_t OpenKey(win32::RegKey root, const std::string& subKey,
                                 std::uint32_t access, win32::RegKey* result) = 0;
    virtual std::int32_t CreateKey(win32::RegKey root, const std::string& subKey,
                                   std::uint32_t access, win32::RegKey* result) = 0;
    // As RegQueryValueExA: type and data may be null. With data null the
    // stored size is written to *size; with a short buffer the result is
    // kErrorMoreData and *size is the size needed.
    virtual std::int32_t QueryValue(win32::RegKey key, const std::string& name,
                                    std::uint32_t* type, std::uint8_t* data,
                                    std::uint32_t* size) = 0;
    virtual std::int32_t SetValue(win32::RegKey key, const std::string& name,
                                  std::uint32_t type, const std::uint8_t* data,
                                  std::uint32_t size) = 0;
    virtual std::int32_t CloseKey(win32::RegKey key) = 0;
    virtual std::int32_t ConnectRegistry(const std::string& machine, win32::RegKey root,
                                         win32::RegKey* result) = 0;
};

// Answers a QueryValue from a value's bytes as RegQueryValueExA does, for a
// backend that holds the bytes itself; capacity is *size as the caller
// passed it in.
std::int32_t AnswerQueryValue(const std::vector<std::uint8_t>& value, std::uint32_t valueType,
                              std::uint32_t capacity, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* size);

// The backend every registry object talks to; the host installs it at start.
RegistryApi& Registry();
void SetRegistry(RegistryApi* registry);

#include "platform/registry_api.h"

#include <cstdlib>
#include <cstring>

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

std::int32_t AnswerQueryValue(const std::vector<std::uint8_t>& value, std::uint32_t valueType,
                              std::uint32_t capacity, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* size) {
    const std::uint32_t needed = static_cast<std::uint32_t>(value.size());
    if (data != nullptr && size == nullptr) {
        return win32::kErrorInvalidParameter;
    }
    if (type != nullptr) {
        *type = valueType;
    }
    if (size == nullptr) {
        return win32::kErrorSuccess;
    }
    *size = needed;
    if (data == nullptr) {
        return win32::kErrorSuccess;
    }
    if (capacity < needed) {
        return win32::kErrorMoreData;
    }
    if (needed != 0) {
        std::memcpy(data, value.data(), needed);
    }
    return win32::kErrorSuccess;
}

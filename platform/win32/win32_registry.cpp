#include "platform/win32/win32_registry.h"

#include <windows.h>

static_assert(win32::kErrorSuccess == ERROR_SUCCESS, "status code");
static_assert(win32::kErrorFileNotFound == ERROR_FILE_NOT_FOUND, "status code");
static_assert(win32::kErrorAccessDenied == ERROR_ACCESS_DENIED, "status code");
static_assert(win32::kErrorInvalidHandle == ERROR_INVALID_HANDLE, "status code");
static_assert(win32::kErrorInvalidParameter == ERROR_INVALID_PARAMETER, "status code");
static_assert(win32::kErrorMoreData == ERROR_MORE_DATA, "status code");
static_assert(win32::kRegSz == REG_SZ, "value type");
static_assert(win32::kRegBinary == REG_BINARY && win32::kRegDword == REG_DWORD, "value type");
static_assert(win32::kRegMultiSz == REG_MULTI_SZ, "value type");
static_assert(win32::kKeyRead == KEY_READ && win32::kKeyWrite == KEY_WRITE, "access mask");
static_assert(sizeof(win32::RegKey) == sizeof(HKEY), "key handle width");
static_assert(sizeof(win32::OsVersionInfoA) == sizeof(OSVERSIONINFOA), "version record");
static_assert(win32::kVerPlatformWin32Nt == VER_PLATFORM_WIN32_NT, "platform id");

namespace {

HKEY ToHkey(win32::RegKey key) { return reinterpret_cast<HKEY>(key); }
win32::RegKey FromHkey(HKEY key) { return reinterpret_cast<win32::RegKey>(key); }

// Static asserts on the predefined roots cannot take reinterpret_cast; this
// check runs once where the values are first used.
bool RootsAgree() {
    return ToHkey(win32::kRootCurrentUser) == HKEY_CURRENT_USER &&
           ToHkey(win32::kRootLocalMachine) == HKEY_LOCAL_MACHINE &&
           ToHkey(win32::kRootPerformanceData) == HKEY_PERFORMANCE_DATA &&
           ToHkey(win32::kRootDynData) == HKEY_DYN_DATA;
}

std::int32_t Status(LONG status) { return static_cast<std::int32_t>(status); }

}  // namespace

std::int32_t Win32Registry::OpenKey(win32::RegKey root, const std::string& subKey,
                                    std::uint32_t access, win32::RegKey* result) {
    static const bool rootsAgree = RootsAgree();
    if (!rootsAgree || result == nullptr) {
        return win32::kErrorInvalidParameter;
    }
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExA(ToHkey(root), subKey.c_str(), 0, access, &key);
    *result = status == ERROR_SUCCESS ? FromHkey(key) : 0;
    return Status(status);
}

std::int32_t Win32Registry::CreateKey(win32::RegKey root, const std::string& subKey,
                                      std::uint32_t access, win32::RegKey* result) {
    if (result == nullptr) {
        return win32::kErrorInvalidParameter;
    }
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExA(ToHkey(root), subKey.c_str(), 0, nullptr, 0, access,
                                        nullptr, &key, nullptr);
    *result = status == ERROR_SUCCESS ? FromHkey(key) : 0;
    return Status(status);
}

std::int32_t Win32Registry::QueryValue(win32::RegKey key, const std::string& name,
                                       std::uint32_t* type, std::uint8_t* data,
                                       std::uint32_t* size) {
    DWORD storedType = 0;
    DWORD count = size != nullptr ? *size : 0;
    const LONG status = RegQueryValueExA(ToHkey(key), name.c_str(), nullptr,
                                         type != nullptr ? &storedType : nullptr, data,
                                         size != nullptr ? &count : nullptr);
    if (type != nullptr && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) {
        *type = storedType;
    }
    if (size != nullptr) {
        *size = count;
    }
    return Status(status);
}

std::int32_t Win32Registry::SetValue(win32::RegKey key, const std::string& name,
                                     std::uint32_t type, const std::uint8_t* data,
                                     std::uint32_t size) {
    return Status(RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size));
}

std::int32_t Win32Registry::CloseKey(win32::RegKey key) {
    return Status(RegCloseKey(ToHkey(key)));
}

std::int32_t Win32Registry::ConnectRegistry(const std::string& machine, win32::RegKey root,
                                            win32::RegKey* result) {
    if (result == nullptr) {
        return win32::kErrorInvalidParameter;
    }
    HKEY key = nullptr;
    const LONG status =
        RegConnectRegistryA(machine.empty() ? nullptr : machine.c_str(), ToHkey(root), &key);
    *result = status == ERROR_SUCCESS ? FromHkey(key) : 0;
    return Status(status);
}

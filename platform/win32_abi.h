// Win32 numbers and record layouts the portable code relies on, declared once.
// platform/win32/ static_asserts each of them against <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>

namespace win32 {

// Status codes (winerror.h).
constexpr std::int32_t kErrorSuccess = 0;
constexpr std::int32_t kErrorFileNotFound = 2;
constexpr std::int32_t kErrorAccessDenied = 5;
constexpr std::int32_t kErrorInvalidHandle = 6;
constexpr std::int32_t kErrorBadNetPath = 53;
constexpr std::int32_t kErrorInvalidParameter = 87;
constexpr std::int32_t kErrorMoreData = 234;

// Registry value types.
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

// Registry access masks.
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWrite = 0x20006;

// A registry key handle as wide as a pointer, like HKEY.
using RegKey = std::uintptr_t;

// Predefined roots are the 32-bit numbers sign-extended to pointer width,
// which is how <windows.h> defines them for 64-bit builds too.
constexpr RegKey PredefinedKey(std::uint32_t value) {
    return static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}
constexpr RegKey kRootClassesRoot = PredefinedKey(0x80000000u);
constexpr RegKey kRootCurrentUser = PredefinedKey(0x80000001u);
constexpr RegKey kRootLocalMachine = PredefinedKey(0x80000002u);
constexpr RegKey kRootUsers = PredefinedKey(0x80000003u);
constexpr RegKey kRootPerformanceData = PredefinedKey(0x80000004u);
constexpr RegKey kRootCurrentConfig = PredefinedKey(0x80000005u);
constexpr RegKey kRootDynData = PredefinedKey(0x80000006u);

constexpr bool IsPredefinedKey(RegKey key) {
    return key >= kRootClassesRoot && key <= kRootDynData;
}

// GetVersionExA record: OSVERSIONINFOA, 148 bytes.
constexpr std::uint32_t kVerPlatformWin32Windows = 1;
constexpr std::uint32_t kVerPlatformWin32Nt = 2;

struct OsVersionInfoA {
    std::uint32_t dwOSVersionInfoSize;
    std::uint32_t dwMajorVersion;
    std::uint32_t dwMinorVersion;
    std::uint32_t dwBuildNumber;
    std::uint32_t dwPlatformId;
    char szCSDVersion[128];
};
static_assert(sizeof(OsVersionInfoA) == 148, "OSVERSIONINFOA is 148 bytes");
static_assert(offsetof(OsVersionInfoA, dwPlatformId) == 16, "OSVERSIONINFOA layout");
static_assert(offsetof(OsVersionInfoA, szCSDVersion) == 20, "OSVERSIONINFOA layout");

constexpr std::size_t kMaxPath = 260;

}  // namespace win32

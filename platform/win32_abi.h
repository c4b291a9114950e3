// Win32 numbers and record layouts the portable code relies on, declared once.
// platform/win32/ static_asserts each of them against <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/handles.h"

namespace win32 {

// Status codes (winerror.h).
constexpr std::int32_t kErrorSuccess = 0;
constexpr std::int32_t kErrorFileNotFound = 2;
constexpr std::int32_t kErrorAccessDenied = 5;
constexpr std::int32_t kErrorInvalidHandle = 6;
constexpr std::int32_t kErrorInvalidParameter = 87;
constexpr std::int32_t kErrorMoreData = 234;

// Registry value types.
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
constexpr RegKey kRootCurrentUser = PredefinedKey(0x80000001u);
constexpr RegKey kRootLocalMachine = PredefinedKey(0x80000002u);
constexpr RegKey kRootPerformanceData = PredefinedKey(0x80000004u);
constexpr RegKey kRootDynData = PredefinedKey(0x80000006u);

// The size of each record the meter hands the system: the size that the
// oldest system the exe is for accepts (x86: Windows 95 and NT 4.0; x64:
// XP x64), which newer systems accept as well.
// OSVERSIONINFOA: the only size Windows 95 and NT 4.0 know.
constexpr std::uint32_t kOsVersionInfoSize = 148;
// BITMAPINFOHEADER: Windows 95 and NT 4.0 know no later header.
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
// MONITORINFO: Windows 98 and 2000, where the monitor functions begin.
constexpr std::uint32_t kMonitorInfoSize = 40;
// NOTIFYICONDATAA_V1_SIZE: the record of Windows 95 and NT 4.0's shell.
constexpr std::uint32_t kNotifyIconDataV1Size = sizeof(void*) == 8 ? 104u : 88u;
// OPENFILENAME_SIZE_VERSION_400A: Windows 95, 98 and NT 4.0 refuse the
// larger record of Windows 2000.
constexpr std::uint32_t kOpenFileNameSizeV400 = sizeof(void*) == 8 ? 136u : 76u;

// GetVersionExA.
constexpr std::uint32_t kVerPlatformWin32Nt = 2;

struct OsVersionInfoA {
    std::uint32_t dwOSVersionInfoSize;
    std::uint32_t dwMajorVersion;
    std::uint32_t dwMinorVersion;
    std::uint32_t dwBuildNumber;
    std::uint32_t dwPlatformId;
    char szCSDVersion[128];
};
static_assert(sizeof(OsVersionInfoA) == kOsVersionInfoSize, "OSVERSIONINFOA size");
static_assert(offsetof(OsVersionInfoA, dwPlatformId) == 16, "OSVERSIONINFOA layout");
static_assert(offsetof(OsVersionInfoA, szCSDVersion) == 20, "OSVERSIONINFOA layout");

// Window messages, identifiers, styles and flags.
constexpr std::uint32_t kWmNull = 0x0000;
constexpr std::uint32_t kWmDestroy = 0x0002;
constexpr std::uint32_t kWmPaint = 0x000F;
constexpr std::uint32_t kWmEndSession = 0x0016;
constexpr std::uint32_t kWmQueryDragIcon = 0x0037;
constexpr std::uint32_t kWmInitDialog = 0x0110;
constexpr std::uint32_t kWmCommand = 0x0111;
constexpr std::uint32_t kWmTimer = 0x0113;
constexpr std::uint32_t kWmMouseMove = 0x0200;
constexpr std::uint32_t kWmLButtonDown = 0x0201;
constexpr std::uint32_t kWmLButtonUp = 0x0202;
constexpr std::uint32_t kWmLButtonDblClk = 0x0203;
constexpr std::uint32_t kWmRButtonUp = 0x0205;
// wParam: the new DPI in each half; lParam: the suggested window rectangle.
constexpr std::uint32_t kWmDpiChanged = 0x02E0;

constexpr std::uint32_t kIdOk = 1;
constexpr std::uint32_t kIdCancel = 2;

constexpr std::uint32_t kIconSmall = 0;
constexpr std::uint32_t kIconBig = 1;

constexpr std::uint32_t kWsExToolWindow = 0x00000080;
constexpr std::uint32_t kWsExAppWindow = 0x00040000;
constexpr std::uint32_t kWsExLayered = 0x00080000;
constexpr std::uint32_t kLwaColorKey = 0x00000001;

constexpr std::uint32_t kSwpNoSize = 0x0001;
constexpr std::uint32_t kSwpNoMove = 0x0002;
constexpr std::uint32_t kSwpNoZOrder = 0x0004;

constexpr std::uint32_t kMbOk = 0x00000000;
constexpr std::uint32_t kMbIconHand = 0x00000010;
constexpr std::uint32_t kMbIconInformation = 0x00000040;

constexpr std::uint32_t kOfnOverwritePrompt = 0x00000002;
constexpr std::uint32_t kOfnHideReadOnly = 0x00000004;

constexpr int kColorBtnFace = 15;
constexpr int kSmCxIcon = 11;
constexpr int kSmCyIcon = 12;
// The DPI at which every length of the meter is as designed.
constexpr int kDefaultDpi = 96;

// The first-version NOTIFYICONDATAA record, the one every shell accepts.
struct NotifyIconDataA {
    std::uint32_t cbSize;
    WindowHandle hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    IconHandle hIcon;
    char szTip[64];
};
static_assert(sizeof(NotifyIconDataA) == kNotifyIconDataV1Size, "NOTIFYICONDATAA v1 size");
static_assert(offsetof(NotifyIconDataA, szTip) == kNotifyIconDataV1Size - 64,
              "NOTIFYICONDATAA v1 layout");

constexpr std::uint32_t kNifMessage = 1;
constexpr std::uint32_t kNifIcon = 2;
constexpr std::uint32_t kNifTip = 4;

}  // namespace win32

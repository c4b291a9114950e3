// Runs beside the meter under Wine for what a script cannot do from the X
// side: write HKEY_DYN_DATA, post window messages, forget another program's
// notification icon, read window styles and texts, read an open menu's
// items, count a process's GDI objects, keep cores busy for a share of
// every 20 ms. Every window is named by its title.
#include <windows.h>
#include <shellapi.h>
#include <winternl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

DWORD Number(const char* text) { return static_cast<DWORD>(std::strtoul(text, nullptr, 0)); }

// A statistic is four raw bytes, as the system serves it.
int SetDynData(const char* subKey, const char* name, const char* number) {
    const DWORD value = Number(number);
    const LONG status =
        RegSetKeyValueA(HKEY_DYN_DATA, subKey, name, REG_BINARY, &value, sizeof(value));
    return status == ERROR_SUCCESS ? 0 : 1;
}

// MESSAGE is a number or the name of a registered message; TITLE "*" posts
// to every top-level window, as a starting shell sends "TaskbarCreated".
int Post(const char* title, const char* message, const char* wParam) {
    const UINT id = Number(message) != 0 ? Number(message) : RegisterWindowMessageA(message);
    const HWND window = std::strcmp(title, "*") == 0 ? HWND_BROADCAST : FindWindowA(nullptr, title);
    return window != nullptr && id != 0 && PostMessageA(window, id, Number(wParam), 0) ? 0 : 1;
}

// As a restarting shell forgets every icon.
int DeleteIcon(const char* title, const char* id) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = FindWindowA(nullptr, title);
    data.uID = Number(id);
    return data.hWnd != nullptr && Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
}

// WM_GETTEXT reaches the controls of other processes, which GetWindowText does not.
void PrintText(HWND window) {
    char text[512] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    text[sizeof(text) - 1] = '\0';
    std::printf("%s\n", text);
}

// Each shown top-level window of a class: "EXSTYLE TEXT", then the texts of its controls.
int ShownWindows(const char* className) {
    bool shown = false;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, className, nullptr));) {
        if (IsWindowVisible(window)) {
            shown = true;
            std::printf("%lu ", static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)));
            PrintText(window);
            for (HWND control = nullptr;
                 (control = FindWindowExA(window, control, nullptr, nullptr));) {
                PrintText(control);
            }
        }
    }
    return shown ? 0 : 1;
}

// Wine keeps no GUI counts (GetGuiResources is a stub there) but mirrors
// the GDI handle table that Windows publishes in a 64-bit process's PEB:
// 24-byte entries with the object type at byte 14. A 32-bit process's PEB
// leaves it out; Wine keeps that process's 64-bit PEB one page below.
const SIZE_T kPeb64GdiTableOffset = 0xF8;
const SIZE_T kPeb64BelowPeb32 = sizeof(void*) == 8 ? 0 : 0x1000;
BYTE g_gdiTable[24 * 0x10000];

int CountGdiObjects(const char* title) {
    DWORD processId = 0;
    const HWND window = FindWindowA(nullptr, title);
    if (window == nullptr || GetWindowThreadProcessId(window, &processId) == 0) {
        return 1;
    }
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr) {
        return 1;
    }
    PROCESS_BASIC_INFORMATION basic;
    ULONGLONG table = 0;
    const bool read =
        NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic),
                                  nullptr) == 0 &&
        ReadProcessMemory(process,
                          reinterpret_cast<const BYTE*>(basic.PebBaseAddress) - kPeb64BelowPeb32 +
                              kPeb64GdiTableOffset,
                          &table, sizeof(table), nullptr) &&
        ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<ULONG_PTR>(table)),
                          g_gdiTable, sizeof(g_gdiTable), nullptr);
    CloseHandle(process);
    if (!read) {
        return 1;
    }
    unsigned long count = 0;
    for (SIZE_T type = 14; type < sizeof(g_gdiTable); type += 24) {
        count += g_gdiTable[type] != 0 ? 1 : 0;
    }
    std::printf("%lu\n", count);
    return 0;
}

// The shown pop-up menu, if any.
HWND OpenMenu() {
    HWND menu = nullptr;
    while ((menu = FindWindowExA(nullptr, menu, "#32768", nullptr)) != nullptr) {
        if (IsWindowVisible(menu)) {
            return menu;
        }
    }
    return nullptr;
}

// The items of the open menu, as menuhook.dll beside the probe writes them
// from inside the menu's process into a page they share.
int PrintMenu() {
    const char kDll[] = "menuhook.dll";
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = length > 0 && length < MAX_PATH ? std::strrchr(path, '\\') : nullptr;
    const HWND menu = OpenMenu();
    if (slash == nullptr || slash + sizeof(kDll) >= path + MAX_PATH || menu == nullptr) {
        return 1;
    }
    std::memcpy(slash + 1, kDll, sizeof(kDll));
    const HMODULE dll = LoadLibraryA(path);
    const auto proc = dll == nullptr ? nullptr
                                     : reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                                           GetProcAddress(dll, "ReadMenuHook")));
    constexpr DWORD kPageSize = 64 * 1024;
    const HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              kPageSize, "ProbeMenuItems");
    const void* view = mapping == nullptr ? nullptr : MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    const auto* page = static_cast<const char*>(view);
    const HHOOK hook = proc == nullptr || page == nullptr
                           ? nullptr
                           : SetWindowsHookExA(WH_CALLWNDPROC, proc, dll,
                                               GetWindowThreadProcessId(menu, nullptr));
    DWORD_PTR ignored = 0;
    const bool read = hook != nullptr &&
                      SendMessageTimeoutA(menu, RegisterWindowMessageA("ProbeReadMenu"),
                                          kPageSize - 1, 0, SMTO_ABORTIFHUNG, 5000, &ignored) &&
                      page[0] != '\0';
    if (read) {
        std::fputs(page, stdout);
    }
    if (hook != nullptr) UnhookWindowsHookEx(hook);
    if (view != nullptr) UnmapViewOfFile(view);
    if (mapping != nullptr) CloseHandle(mapping);
    if (dll != nullptr) FreeLibrary(dll);
    return read ? 0 : 1;
}

ULONGLONG g_busyUntil = 0;
LONGLONG g_duty = 100;  // percent of every 20 ms spent spinning

DWORD WINAPI Spin(LPVOID) {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    const LONGLONG period = frequency.QuadPart / 50;
    for (LONGLONG start = now.QuadPart; GetTickCount64() < g_busyUntil; start += period) {
        do {
            QueryPerformanceCounter(&now);
        } while (now.QuadPart < start + period * g_duty / 100);
        if (now.QuadPart < start + period) {
            Sleep(static_cast<DWORD>((start + period - now.QuadPart) * 1000 / frequency.QuadPart));
        }
    }
    return 0;
}

int Busy(const char* seconds, const char* threads, const char* duty) {
    g_busyUntil = GetTickCount64() + 1000u * Number(seconds);
    g_duty = Number(duty);
    for (DWORD started = 1; started < Number(threads); ++started) {
        const HANDLE thread = CreateThread(nullptr, 0, Spin, nullptr, 0, nullptr);
        if (thread == nullptr) {
            return 1;
        }
        CloseHandle(thread);
    }
    return static_cast<int>(Spin(nullptr));
}

}  // namespace

int main(int argc, char** argv) {
    // The scripts read plain lines.
    _setmode(_fileno(stdout), _O_BINARY);
    const auto is = [&](const char* name, int args) {
        return argc == args + 2 && std::strcmp(argv[1], name) == 0;
    };
    if (is("dyn-set", 3)) return SetDynData(argv[2], argv[3], argv[4]);
    if (is("post", 3)) return Post(argv[2], argv[3], argv[4]);
    if (is("delete-icon", 2)) return DeleteIcon(argv[2], argv[3]);
    if (is("windows", 1)) return ShownWindows(argv[2]);
    if (is("gdi-objects", 1)) return CountGdiObjects(argv[2]);
    if (is("menu", 0)) return PrintMenu();
    if (is("busy", 2)) return Busy(argv[2], argv[3], "100");
    if (is("busy", 3)) return Busy(argv[2], argv[3], argv[4]);
    std::fputs("usage: probe dyn-set|post|delete-icon|windows|gdi-objects|menu|busy ARGS...\n", stderr);
    return 2;
}

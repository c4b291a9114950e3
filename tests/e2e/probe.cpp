// A helper that the end-to-end scripts run beside the meter under Wine: it
// reaches what a shell script cannot (HKEY_DYN_DATA, window messages, the
// rectangles and texts of other processes' windows) and makes CPU load.
#include <windows.h>
#include <shellapi.h>
#include <winternl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "probe: %s failed (error %lu)\n", what, GetLastError());
    return 1;
}

bool ParseUnsigned(const char* text, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text, &end, 0);
    return end != text && *end == '\0';
}

HWND FindTitled(const char* title) {
    HWND window = FindWindowA(nullptr, title);
    if (window == nullptr) {
        std::fprintf(stderr, "probe: no window titled \"%s\"\n", title);
    }
    return window;
}

int DynSet(const char* subKey, const char* valueName, const char* number) {
    unsigned long value = 0;
    if (!ParseUnsigned(number, value)) {
        std::fprintf(stderr, "probe: not a number: %s\n", number);
        return 2;
    }
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG status = RegCreateKeyExA(HKEY_DYN_DATA, subKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                  &disposition);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return Fail("RegCreateKeyExA");
    }
    // The statistic is four raw bytes, little-endian, as the system serves it.
    const DWORD data = static_cast<DWORD>(value);
    status = RegSetValueExA(key, valueName, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&data),
                            sizeof(data));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return Fail("RegSetValueExA");
    }
    return 0;
}

int PostToWindow(const char* title, UINT message, WPARAM wParam) {
    const HWND window = FindTitled(title);
    if (window == nullptr) {
        return 1;
    }
    if (!PostMessageA(window, message, wParam, 0)) {
        return Fail("PostMessageA");
    }
    return 0;
}

int PostCommand(const char* title, const char* id) {
    unsigned long command = 0;
    if (!ParseUnsigned(id, command) || command > 0xFFFFul) {
        std::fprintf(stderr, "probe: not a command id: %s\n", id);
        return 2;
    }
    return PostToWindow(title, WM_COMMAND, static_cast<WPARAM>(command));
}

// As a shell that restarts forgets the icon of the window with that title.
int DeleteIcon(const char* title, const char* id) {
    unsigned long iconId = 0;
    if (!ParseUnsigned(id, iconId)) {
        std::fprintf(stderr, "probe: not an icon id: %s\n", id);
        return 2;
    }
    const HWND window = FindTitled(title);
    if (window == nullptr) {
        return 1;
    }
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof(data));
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = static_cast<UINT>(iconId);
    if (!Shell_NotifyIconA(NIM_DELETE, &data)) {
        return Fail("Shell_NotifyIconA");
    }
    return 0;
}

// Sends a registered message to every top-level window, as a started shell
// sends "TaskbarCreated".
int Broadcast(const char* name) {
    const UINT message = RegisterWindowMessageA(name);
    if (message == 0) {
        return Fail("RegisterWindowMessageA");
    }
    if (!SendNotifyMessageA(HWND_BROADCAST, message, 0, 0)) {
        return Fail("SendNotifyMessageA");
    }
    return 0;
}

int WindowRect(const char* title) {
    const HWND window = FindTitled(title);
    if (window == nullptr) {
        return 1;
    }
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return Fail("GetWindowRect");
    }
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    return 0;
}

int WindowState(const char* title) {
    const HWND window = FindTitled(title);
    if (window == nullptr) {
        return 1;
    }
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    std::printf("visible=%d topmost=%d toolwindow=%d layered=%d\n", IsWindowVisible(window) ? 1 : 0,
                (exStyle & WS_EX_TOPMOST) != 0 ? 1 : 0, (exStyle & WS_EX_TOOLWINDOW) != 0 ? 1 : 0,
                (exStyle & WS_EX_LAYERED) != 0 ? 1 : 0);
    return 0;
}

// Wine keeps no GUI counts (GetGuiResources is a stub there), but it mirrors
// the GDI handle table that Windows publishes in every process's PEB; its
// entries are 24 bytes with the object type at byte 14.
#ifdef _WIN64
const SIZE_T kPebGdiTableOffset = 0xF8;
#else
const SIZE_T kPebGdiTableOffset = 0x94;
#endif
const SIZE_T kGdiEntrySize = 24;
const SIZE_T kGdiEntryTypeOffset = 14;
const SIZE_T kGdiEntryCount = 0x10000;

bool CountGdiEntries(HANDLE process, unsigned long& count) {
    PROCESS_BASIC_INFORMATION basic;
    ULONG returned = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic),
                                  &returned) != 0 ||
        basic.PebBaseAddress == nullptr) {
        return false;
    }
    const BYTE* const peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    void* table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, peb + kPebGdiTableOffset, &table, sizeof(table), &read) ||
        read != sizeof(table) || table == nullptr) {
        return false;
    }
    const SIZE_T size = kGdiEntrySize * kGdiEntryCount;
    BYTE* const entries = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size));
    if (entries == nullptr) {
        return false;
    }
    const bool ok = ReadProcessMemory(process, table, entries, size, &read) && read == size;
    count = 0;
    for (SIZE_T i = 0; ok && i < kGdiEntryCount; ++i) {
        if (entries[i * kGdiEntrySize + kGdiEntryTypeOffset] != 0) {
            ++count;
        }
    }
    HeapFree(GetProcessHeap(), 0, entries);
    return ok;
}

// Prints "GDI USER"; USER is "-" where the system keeps no count.
int GuiResources(const char* title) {
    const HWND window = FindTitled(title);
    if (window == nullptr) {
        return 1;
    }
    DWORD processId = 0;
    if (GetWindowThreadProcessId(window, &processId) == 0) {
        return Fail("GetWindowThreadProcessId");
    }
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr) {
        return Fail("OpenProcess");
    }
    unsigned long gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const unsigned long user = GetGuiResources(process, GR_USEROBJECTS);
    // A process with a window and icons has GDI objects, so zero means no count.
    const bool counted = gdi != 0 || CountGdiEntries(process, gdi);
    CloseHandle(process);
    if (!counted) {
        std::fprintf(stderr, "probe: no GDI object count for process %lu\n", processId);
        return 3;
    }
    if (user != 0) {
        std::printf("%lu %lu\n", gdi, user);
    } else {
        std::printf("%lu -\n", gdi);
    }
    return 0;
}

struct ClassSearch {
    const char* className;
    int found;
};

BOOL CALLBACK PrintIfOfClass(HWND window, LPARAM context) {
    ClassSearch* const search = reinterpret_cast<ClassSearch*>(context);
    char name[256];
    if (GetClassNameA(window, name, static_cast<int>(sizeof(name))) == 0 ||
        lstrcmpiA(name, search->className) != 0 || !IsWindowVisible(window)) {
        return TRUE;
    }
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return TRUE;
    }
    char text[512];
    text[0] = '\0';
    // WM_GETTEXT reaches controls of other processes, which GetWindowText does not.
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 2000, &copied)) {
        text[0] = '\0';
    }
    text[sizeof(text) - 1] = '\0';
    int items = -1;
    if (lstrcmpiA(name, "#32768") == 0) {
        const HMENU menu = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
        items = menu != nullptr ? GetMenuItemCount(menu) : -1;
    }
    std::printf("%ld %ld %ld %ld %d %s\n", rect.left, rect.top, rect.right, rect.bottom, items, text);
    ++search->found;
    return TRUE;
}

int VisibleWindows(const char* className) {
    ClassSearch search = {className, 0};
    EnumWindows(PrintIfOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found > 0 ? 0 : 1;
}

BOOL CALLBACK PrintChildText(HWND child, LPARAM) {
    char text[512];
    if (GetWindowTextA(child, text, static_cast<int>(sizeof(text))) > 0) {
        std::printf("%s\n", text);
    }
    return TRUE;
}

int ChildTexts(const char* title) {
    const HWND window = FindTitled(title);
    if (window == nullptr) {
        return 1;
    }
    EnumChildWindows(window, PrintChildText, 0);
    return 0;
}

struct BusyWork {
    ULONGLONG until;
};

DWORD WINAPI Spin(LPVOID context) {
    const BusyWork* const work = static_cast<const BusyWork*>(context);
    volatile unsigned long counter = 0;
    while (GetTickCount64() < work->until) {
        for (int i = 0; i < 100000; ++i) {
            counter = counter + 1;
        }
    }
    return 0;
}

int Busy(const char* secondsText, const char* threadsText) {
    unsigned long seconds = 0;
    unsigned long threads = 1;
    if (!ParseUnsigned(secondsText, seconds) ||
        (threadsText != nullptr && !ParseUnsigned(threadsText, threads)) || threads < 1 ||
        threads > 64) {
        std::fprintf(stderr, "probe: busy SECONDS [THREADS 1..64]\n");
        return 2;
    }
    BusyWork work = {GetTickCount64() + 1000ull * seconds};
    HANDLE workers[64];
    DWORD started = 0;
    for (; started + 1 < threads; ++started) {
        workers[started] = CreateThread(nullptr, 0, Spin, &work, 0, nullptr);
        if (workers[started] == nullptr) {
            break;
        }
    }
    Spin(&work);
    if (started > 0) {
        WaitForMultipleObjects(started, workers, TRUE, INFINITE);
    }
    for (DWORD i = 0; i < started; ++i) {
        CloseHandle(workers[i]);
    }
    return started + 1 == threads ? 0 : Fail("CreateThread");
}

// The meter numbers its process menu "Idle", then every named process in
// the system's order, then "_Total"; this probe is left out, since it did
// not run when the meter built its menu.
int ProcessIndex(const char* wanted) {
    ULONG size = 1u << 20;
    BYTE* buffer = nullptr;
    NTSTATUS status = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        buffer = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size));
        if (buffer == nullptr) {
            return Fail("HeapAlloc");
        }
        ULONG returned = 0;
        status = NtQuerySystemInformation(SystemProcessInformation, buffer, size, &returned);
        if (status == 0) {
            break;
        }
        HeapFree(GetProcessHeap(), 0, buffer);
        buffer = nullptr;
        size *= 2;
    }
    if (buffer == nullptr) {
        std::fprintf(stderr, "probe: NtQuerySystemInformation failed (status 0x%lx)\n",
                     static_cast<unsigned long>(status));
        return 1;
    }
    const ULONG_PTR self = GetCurrentProcessId();
    int index = 0;
    int found = std::strcmp(wanted, "Idle") == 0 ? 0 : -1;
    ++index;
    ULONG offset = 0;
    for (;;) {
        const SYSTEM_PROCESS_INFORMATION* const entry =
            reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer + offset);
        const ULONG_PTR id = reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId);
        if (id != 0 && id != self && entry->ImageName.Length > 0) {
            char name[MAX_PATH];
            const int length = WideCharToMultiByte(
                CP_ACP, 0, entry->ImageName.Buffer, entry->ImageName.Length / 2, name,
                static_cast<int>(sizeof(name) - 1), nullptr, nullptr);
            name[length > 0 ? length : 0] = '\0';
            char* base = name;
            for (char* c = name; *c != '\0'; ++c) {
                if (*c == '\\' || *c == '/') {
                    base = c + 1;
                }
            }
            char* const dot = std::strrchr(base, '.');
            if (dot != nullptr && dot != base) {
                *dot = '\0';
            }
            if (*base != '\0') {
                if (found < 0 && std::strcmp(base, wanted) == 0) {
                    found = index;
                }
                ++index;
            }
        }
        if (entry->NextEntryOffset == 0) {
            break;
        }
        offset += entry->NextEntryOffset;
    }
    HeapFree(GetProcessHeap(), 0, buffer);
    if (found < 0 && std::strcmp(wanted, "_Total") == 0) {
        found = index;
    }
    if (found < 0) {
        std::fprintf(stderr, "probe: no process named %s\n", wanted);
        return 1;
    }
    std::printf("%d\n", found);
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: probe dyn-set KEY VALUE-NAME NUMBER\n"
                 "       probe post-command TITLE ID\n"
                 "       probe post-close TITLE\n"
                 "       probe delete-icon TITLE ID\n"
                 "       probe broadcast MESSAGE-NAME\n"
                 "       probe window-rect TITLE\n"
                 "       probe window-state TITLE\n"
                 "       probe gui-resources TITLE\n"
                 "       probe visible-windows CLASS\n"
                 "       probe child-texts TITLE\n"
                 "       probe busy SECONDS [THREADS]\n"
                 "       probe process-index NAME\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // The scripts read plain lines.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 3) {
        return Usage();
    }
    const char* const command = argv[1];
    int status = 2;
    if (std::strcmp(command, "dyn-set") == 0 && argc == 5) {
        status = DynSet(argv[2], argv[3], argv[4]);
    } else if (std::strcmp(command, "post-command") == 0 && argc == 4) {
        status = PostCommand(argv[2], argv[3]);
    } else if (std::strcmp(command, "post-close") == 0 && argc == 3) {
        status = PostToWindow(argv[2], WM_CLOSE, 0);
    } else if (std::strcmp(command, "delete-icon") == 0 && argc == 4) {
        status = DeleteIcon(argv[2], argv[3]);
    } else if (std::strcmp(command, "broadcast") == 0 && argc == 3) {
        status = Broadcast(argv[2]);
    } else if (std::strcmp(command, "window-rect") == 0 && argc == 3) {
        status = WindowRect(argv[2]);
    } else if (std::strcmp(command, "window-state") == 0 && argc == 3) {
        status = WindowState(argv[2]);
    } else if (std::strcmp(command, "gui-resources") == 0 && argc == 3) {
        status = GuiResources(argv[2]);
    } else if (std::strcmp(command, "visible-windows") == 0 && argc == 3) {
        status = VisibleWindows(argv[2]);
    } else if (std::strcmp(command, "child-texts") == 0 && argc == 3) {
        status = ChildTexts(argv[2]);
    } else if (std::strcmp(command, "process-index") == 0 && argc == 3) {
        status = ProcessIndex(argv[2]);
    } else if (std::strcmp(command, "busy") == 0 && (argc == 3 || argc == 4)) {
        status = Busy(argv[2], argc == 4 ? argv[3] : nullptr);
    } else {
        return Usage();
    }
    std::fflush(stdout);
    return status;
}

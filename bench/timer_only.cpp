// The floor for the meter's cost under Wine: a small tool window showing an
// icon, a notification icon and a one-second timer, and nothing else.
//   timer_only.exe         the timer does nothing
//   timer_only.exe times   each tick reads the processor times once, as any
//                          CPU meter must: the fair floor
//   timer_only.exe dialog  also holds a hidden dialog from a template in the
//                          meter's font with an icon control: the floor of
//                          a program that shows its window as a dialog
//   timer_only.exe flip    each tick shows the other of two icons in both
//                          places, one new icon per display, as a new frame
//                          costs the meter
#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace {

constexpr UINT kTimerId = 1;
constexpr UINT kTimerPeriodMs = 1000;
constexpr UINT kTrayId = 1;
constexpr int kIconSize = 16;
constexpr int kWindowSize = 20;
constexpr int kIconControlId = 100;

struct IconBits {
    HBITMAP colour[2] = {nullptr, nullptr};
    HBITMAP mask = nullptr;
};

IconBits g_bits;
bool g_flip = false;
bool g_readTimes = false;
int g_shown = 0;
HICON g_trayIcon = nullptr;
HWND g_iconControl = nullptr;

bool FillBitmap(HDC screen, HBITMAP bitmap, COLORREF colour) {
    HDC memory = CreateCompatibleDC(screen);
    if (memory == nullptr) {
        return false;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, kIconSize, kIconSize};
    HBRUSH brush = CreateSolidBrush(colour);
    const bool filled = brush != nullptr && FillRect(memory, &all, brush) != 0;
    if (brush != nullptr) {
        DeleteObject(brush);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    return filled;
}

// Two solid squares and an all-opaque mask, from which every icon is made.
bool MakeIconBits(IconBits& bits) {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return false;
    }
    const COLORREF colours[2] = {RGB(0, 160, 0), RGB(200, 0, 0)};
    bool made = true;
    for (int i = 0; i < 2; ++i) {
        bits.colour[i] = CreateCompatibleBitmap(screen, kIconSize, kIconSize);
        made = made && bits.colour[i] != nullptr && FillBitmap(screen, bits.colour[i], colours[i]);
    }
    bits.mask = CreateBitmap(kIconSize, kIconSize, 1, 1, nullptr);
    made = made && bits.mask != nullptr && FillBitmap(screen, bits.mask, RGB(0, 0, 0));
    ReleaseDC(nullptr, screen);
    return made;
}

void FreeIconBits(IconBits& bits) {
    for (HBITMAP& bitmap : bits.colour) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
    }
    if (bits.mask != nullptr) {
        DeleteObject(bits.mask);
        bits.mask = nullptr;
    }
}

HICON NewIcon(int which) {
    ICONINFO info;
    ZeroMemory(&info, sizeof(info));
    info.fIcon = TRUE;
    info.hbmColor = g_bits.colour[which];
    info.hbmMask = g_bits.mask;
    return CreateIconIndirect(&info);
}

bool Notify(DWORD message, HWND window, UINT flags, HICON icon) {
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof(data));
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = kTrayId;
    data.uFlags = flags;
    data.hIcon = icon;
    const char tip[] = "timer only";
    std::memcpy(data.szTip, tip, sizeof(tip));
    return Shell_NotifyIconA(message, &data) != FALSE;
}

// The shell keeps its own copy of a notification icon, so ours goes at once.
bool ShowInTray(HWND window, DWORD message, UINT flags, int which) {
    HICON icon = NewIcon(which);
    if (icon == nullptr) {
        return false;
    }
    const bool shown = Notify(message, window, flags, icon);
    if (g_trayIcon != nullptr) {
        DestroyIcon(g_trayIcon);
    }
    g_trayIcon = icon;
    return shown;
}

// The control never holds a destroyed icon: the new one goes in first.
bool ShowInWindow(int which) {
    HICON icon = NewIcon(which);
    if (icon == nullptr) {
        return false;
    }
    auto previous = reinterpret_cast<HICON>(
        SendMessageA(g_iconControl, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
    if (previous != nullptr) {
        DestroyIcon(previous);
    }
    return true;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (g_readTimes && wParam == kTimerId) {
            FILETIME idle, kernel, user;
            GetSystemTimes(&idle, &kernel, &user);
        }
        if (g_flip && wParam == kTimerId) {
            g_shown = 1 - g_shown;
            ShowInTray(window, NIM_MODIFY, NIF_ICON, g_shown);
            ShowInWindow(g_shown);
        }
        return 0;
    case WM_DESTROY: {
        KillTimer(window, kTimerId);
        Notify(NIM_DELETE, window, 0, nullptr);
        // A static control leaves the icon it was given to its owner.
        auto shown = reinterpret_cast<HICON>(SendMessageA(g_iconControl, STM_SETICON, 0, 0));
        if (shown != nullptr) {
            DestroyIcon(shown);
        }
        PostQuitMessage(0);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// A dialog template in memory: "MS Sans Serif" 8, one icon static, hidden.
struct DialogTemplate {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title, pointSize;
    WCHAR font[14];
    DLGITEMTEMPLATE item alignas(DWORD);
    WORD classMarker, staticClass, text, extra;
};

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

HWND CreateHiddenDialog(HINSTANCE instance) {
    static DialogTemplate dialogTemplate = {
        {WS_POPUP | DS_SETFONT, WS_EX_TOOLWINDOW, 1, 0, 0, 24, 23}, 0, 0, 0, 8, L"MS Sans Serif",
        {WS_CHILD | WS_VISIBLE | SS_ICON, 0, 1, 1, 20, 20, kIconControlId}, 0xFFFF, 0x0082, 0, 0};
    return CreateDialogIndirectParamA(instance, &dialogTemplate.dialog, nullptr, QuietDialog, 0);
}

int Run(HINSTANCE instance) {
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "TimerOnly";
    if (RegisterClassA(&windowClass) == 0) {
        return 1;
    }
    // Tool window, colour-keyed, with an icon control: the meter's window.
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_LAYERED, "TimerOnly", "TimerOnly",
                                  WS_POPUP | WS_VISIBLE, 200, 200, kWindowSize, kWindowSize,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    SetLayeredWindowAttributes(window, GetSysColor(COLOR_BTNFACE), 0, LWA_COLORKEY);
    g_iconControl = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_ICON, 2, 2,
                                    kIconSize, kIconSize, window,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIconControlId)),
                                    instance, nullptr);
    if (g_iconControl == nullptr || !ShowInWindow(g_shown) ||
        !ShowInTray(window, NIM_ADD, NIF_ICON | NIF_TIP, g_shown) ||
        SetTimer(window, kTimerId, kTimerPeriodMs, nullptr) == 0) {
        DestroyWindow(window);
        return 1;
    }
    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return got < 0 ? 1 : static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    g_flip = std::strcmp(commandLine, "flip") == 0;
    g_readTimes = std::strcmp(commandLine, "times") == 0;
    const bool withDialog = std::strcmp(commandLine, "dialog") == 0;
    const HWND dialog = withDialog ? CreateHiddenDialog(instance) : nullptr;
    if (!MakeIconBits(g_bits) || (withDialog && dialog == nullptr)) {
        FreeIconBits(g_bits);
        return 1;
    }
    const int status = Run(instance);
    if (dialog != nullptr) {
        DestroyWindow(dialog);
    }
    if (g_trayIcon != nullptr) {
        DestroyIcon(g_trayIcon);
    }
    FreeIconBits(g_bits);
    return status;
}

#include "platform/win32/win32_window.h"

#include <cstddef>
#include <cstring>

static_assert(win32::kWmNull == WM_NULL && win32::kWmDestroy == WM_DESTROY &&
                  win32::kWmPaint == WM_PAINT && win32::kWmEndSession == WM_ENDSESSION &&
                  win32::kWmQueryDragIcon == WM_QUERYDRAGICON &&
                  win32::kWmInitDialog == WM_INITDIALOG &&
                  win32::kWmCommand == WM_COMMAND && win32::kWmTimer == WM_TIMER,
              "window messages");
static_assert(win32::kWmMouseMove == WM_MOUSEMOVE && win32::kWmLButtonDown == WM_LBUTTONDOWN &&
                  win32::kWmLButtonUp == WM_LBUTTONUP &&
                  win32::kWmLButtonDblClk == WM_LBUTTONDBLCLK &&
                  win32::kWmRButtonUp == WM_RBUTTONUP,
              "mouse messages");
static_assert(win32::kWmDpiChanged == WM_DPICHANGED &&
                  win32::kDefaultDpi == USER_DEFAULT_SCREEN_DPI,
              "DPI message and default");
static_assert(sizeof(WindowRect) == sizeof(RECT) &&
                  offsetof(WindowRect, bottom) == offsetof(RECT, bottom),
              "the suggested rectangle of a DPI change is read as a WindowRect");
static_assert(win32::kIdOk == IDOK && win32::kIdCancel == IDCANCEL && win32::kIconSmall == ICON_SMALL &&
                  win32::kIconBig == ICON_BIG,
              "dialog and icon identifiers");
static_assert(win32::kWsExToolWindow == WS_EX_TOOLWINDOW && win32::kWsExAppWindow == WS_EX_APPWINDOW &&
                  win32::kWsExLayered == WS_EX_LAYERED && win32::kLwaColorKey == LWA_COLORKEY,
              "extended styles");
static_assert(win32::kSwpNoSize == SWP_NOSIZE && win32::kSwpNoMove == SWP_NOMOVE &&
                  win32::kSwpNoZOrder == SWP_NOZORDER,
              "SetWindowPos flags");
static_assert(win32::kMbOk == MB_OK && win32::kMbIconHand == MB_ICONHAND &&
                  win32::kMbIconInformation == MB_ICONINFORMATION,
              "message box styles");
static_assert(win32::kOfnOverwritePrompt == OFN_OVERWRITEPROMPT &&
                  win32::kOfnHideReadOnly == OFN_HIDEREADONLY,
              "file dialog flags");
static_assert(win32::kMonitorInfoSize == sizeof(MONITORINFO), "MONITORINFO size");
static_assert(win32::kOpenFileNameSizeV400 == offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR),
              "OPENFILENAME_SIZE_VERSION_400A");
static_assert(win32::kColorBtnFace == COLOR_BTNFACE && win32::kSmCxIcon == SM_CXICON &&
                  win32::kSmCyIcon == SM_CYICON,
              "system colours and metrics");

namespace {

HWND AsWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }
HMENU AsMenu(MenuHandle menu) { return reinterpret_cast<HMENU>(menu); }
HICON AsIcon(IconHandle icon) { return reinterpret_cast<HICON>(icon); }

WindowRect FromRect(const RECT& rect) {
    return WindowRect{rect.left, rect.top, rect.right, rect.bottom};
}

// Messages whose result a dialog procedure returns itself instead of
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    return message == WM_INITDIALOG || message == WM_QUERYDRAGICON ||
           (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
           message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM;
}

}  // namespace

Win32Window::Win32Window(HINSTANCE instance) : m_instance(instance) {
    ZeroMemory(&m_paint, sizeof(m_paint));
}

Win32Window::~Win32Window() {
    if (m_user32 != nullptr) {
        FreeLibrary(m_user32);
    }
    if (m_comdlg32 != nullptr) {
        FreeLibrary(m_comdlg32);
    }
}

INT_PTR CALLBACK Win32Window::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
    auto* host = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    if (message == WM_INITDIALOG) {
        host = reinterpret_cast<Win32Window*>(lParam);
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        host->m_dialog = dialog;
        host->m_sink->Attach(reinterpret_cast<WindowHandle>(dialog));
    }
    if (host == nullptr || host->m_sink == nullptr) {
        return FALSE;
    }
    std::intptr_t result = 0;
    if (!host->m_sink->Receive(message, wParam, lParam, result)) {
        return FALSE;
    }
    if (ReturnsResultDirectly(message)) {
        return result;
    }
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

// The loop of our own: the system's modal loop peeks before it waits, which
// under Wine costs one more trip to the server every tick.
std::intptr_t Win32Window::RunModalDialog(std::uint32_t templateId, DialogSink& sink) {
    DialogSink* const outer = m_sink;
    HWND const outerDialog = m_dialog;
    DialogRun* const outerRun = m_run;
    DialogRun run;
    m_sink = &sink;
    m_run = &run;
    HWND const dialog = CreateDialogParamA(m_instance, MAKEINTRESOURCEA(templateId), nullptr,
                                           DialogProc, reinterpret_cast<LPARAM>(this));
    if (dialog != nullptr) {
        MSG message;
        while (!run.ended && IsWindow(dialog)) {
            const BOOL got = GetMessageA(&message, nullptr, 0, 0);
            if (got <= 0) {
                // The quit stays posted for the loop around this one.
                if (got == 0) {
                    PostQuitMessage(static_cast<int>(message.wParam));
                }
                break;
            }
            if (!IsDialogMessageA(dialog, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        if (IsWindow(dialog)) {
            DestroyWindow(dialog);
        }
    }
    m_sink = outer;
    m_dialog = outerDialog;
    m_run = outerRun;
    return dialog != nullptr ? run.result : -1;
}

void Win32Window::EndDialog(WindowHandle window, std::intptr_t result) {
    if (m_run != nullptr && AsWindow(window) == m_dialog) {
        m_run->result = result;
        m_run->ended = true;
    }
}

void Win32Window::SetWindowTitle(WindowHandle window, const std::string& text) {
    SetWindowTextA(AsWindow(window), text.c_str());
}

std::uint32_t Win32Window::GetExStyle(WindowHandle window) {
    return static_cast<std::uint32_t>(GetWindowLongPtrA(AsWindow(window), GWL_EXSTYLE));
}

void Win32Window::SetExStyle(WindowHandle window, std::uint32_t exStyle) {
    SetWindowLongPtrA(AsWindow(window), GWL_EXSTYLE, static_cast<LONG_PTR>(exStyle));
}

void Win32Window::LookUpOptionalFunctions() {
    if (m_optionalLookedUp) {
        return;
    }
    m_optionalLookedUp = true;
    m_user32 = LoadLibraryA("user32.dll");
    if (m_user32 == nullptr) {
        return;
    }
    // The cast from FARPROC is how a function found by name is called.
    m_setLayered = reinterpret_cast<SetLayeredFunction>(
        reinterpret_cast<void*>(GetProcAddress(m_user32, "SetLayeredWindowAttributes")));
    m_monitorFromRect = reinterpret_cast<MonitorFromRectFunction>(
        reinterpret_cast<void*>(GetProcAddress(m_user32, "MonitorFromRect")));
    m_monitorFromPoint = reinterpret_cast<MonitorFromPointFunction>(
        reinterpret_cast<void*>(GetProcAddress(m_user32, "MonitorFromPoint")));
    m_getMonitorInfo = reinterpret_cast<GetMonitorInfoFunction>(
        reinterpret_cast<void*>(GetProcAddress(m_user32, "GetMonitorInfoA")));
    m_getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(m_user32, "GetDpiForWindow")));
    m_getSystemMetricsForDpi = reinterpret_cast<GetSystemMetricsForDpiFunction>(
        reinterpret_cast<void*>(GetProcAddress(m_user32, "GetSystemMetricsForDpi")));
    if (m_setLayered == nullptr && m_monitorFromRect == nullptr && m_monitorFromPoint == nullptr &&
        m_getMonitorInfo == nullptr &&
        m_getDpiForWindow == nullptr && m_getSystemMetricsForDpi == nullptr) {
        FreeLibrary(m_user32);
        m_user32 = nullptr;
    }
}

bool Win32Window::OffersLayeredWindows() {
    LookUpOptionalFunctions();
    return m_setLayered != nullptr;
}

bool Win32Window::SetLayeredAttributes(WindowHandle window, ColorRef key, std::uint8_t alpha,
                                       std::uint32_t flags) {
    if (!OffersLayeredWindows()) {
        return false;
    }
    return m_setLayered(AsWindow(window), key, alpha, flags) != FALSE;
}

void Win32Window::SetIcon(WindowHandle window, std::uint32_t which, IconHandle icon) {
    SendMessageA(AsWindow(window), WM_SETICON, which, static_cast<LPARAM>(icon));
}

void Win32Window::SetWindowPos(WindowHandle window, InsertAfter insertAfter, std::int32_t x,
                               std::int32_t y, std::int32_t width, std::int32_t height,
                               std::uint32_t flags) {
    HWND after = HWND_TOP;
    if (insertAfter == InsertAfter::kTopMost) {
        after = HWND_TOPMOST;
    } else if (insertAfter == InsertAfter::kNoTopMost) {
        after = HWND_NOTOPMOST;
    }
    ::SetWindowPos(AsWindow(window), after, x, y, width, height, flags);
}

MonitorFit Win32Window::FitToMonitors(const WindowRect& rect) {
    LookUpOptionalFunctions();
    const RECT wanted = {rect.left, rect.top, rect.right, rect.bottom};
    const POINT middle = {static_cast<LONG>((std::int64_t{rect.left} + rect.right) / 2),
                          static_cast<LONG>((std::int64_t{rect.top} + rect.bottom) / 2)};
    MonitorFit fit;
    if (m_monitorFromRect != nullptr && m_monitorFromPoint != nullptr && m_getMonitorInfo != nullptr) {
        MONITORINFO info;
        ZeroMemory(&info, sizeof(info));
        info.cbSize = win32::kMonitorInfoSize;
        const HMONITOR nearest = m_monitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST);
        if (nearest != nullptr && m_getMonitorInfo(nearest, &info)) {
            fit.visible = m_monitorFromPoint(middle, MONITOR_DEFAULTTONULL) != nullptr;
            fit.nearestWorkArea = FromRect(info.rcWork);
            return fit;
        }
    }
    // A system without monitor functions has one screen.
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    fit.visible = PtInRect(&screen, middle) != FALSE;
    RECT work = screen;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
        work = screen;
    }
    fit.nearestWorkArea = FromRect(work);
    return fit;
}

void Win32Window::ShowWindow(WindowHandle window, bool show) {
    ::ShowWindow(AsWindow(window), show ? SW_SHOW : SW_HIDE);
}

bool Win32Window::IsVisible(WindowHandle window) {
    return IsWindowVisible(AsWindow(window)) != FALSE;
}

bool Win32Window::IsMinimised(WindowHandle window) { return IsIconic(AsWindow(window)) != FALSE; }

WindowRect Win32Window::GetWindowRect(WindowHandle window) {
    RECT rect{0, 0, 0, 0};
    ::GetWindowRect(AsWindow(window), &rect);
    return FromRect(rect);
}

WindowRect Win32Window::GetClientRect(WindowHandle window) {
    RECT rect{0, 0, 0, 0};
    ::GetClientRect(AsWindow(window), &rect);
    return FromRect(rect);
}

void Win32Window::SetTimer(WindowHandle window, std::uint32_t id, std::uint32_t periodMs) {
    ::SetTimer(AsWindow(window), id, periodMs, nullptr);
}

void Win32Window::KillTimer(WindowHandle window, std::uint32_t id) {
    ::KillTimer(AsWindow(window), id);
}

ScreenPoint Win32Window::GetCursorPos() {
    POINT point{0, 0};
    ::GetCursorPos(&point);
    return ScreenPoint{point.x, point.y};
}

void Win32Window::SetCapture(WindowHandle window) { ::SetCapture(AsWindow(window)); }

void Win32Window::ReleaseCapture() { ::ReleaseCapture(); }

MenuHandle Win32Window::CreatePopupMenu() {
    return reinterpret_cast<MenuHandle>(::CreatePopupMenu());
}

void Win32Window::AppendMenuItem(MenuHandle menu, std::uint32_t id, const std::string& text) {
    AppendMenuA(AsMenu(menu), MF_STRING, id, text.c_str());
}

void Win32Window::AppendPopup(MenuHandle menu, MenuHandle popup, const std::string& text) {
    AppendMenuA(AsMenu(menu), MF_STRING | MF_POPUP, popup, text.c_str());
}

void Win32Window::CheckMenuItem(MenuHandle menu, std::uint32_t id, bool checked) {
    ::CheckMenuItem(AsMenu(menu), id,
                    static_cast<UINT>(MF_BYCOMMAND) | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void Win32Window::TrackPopupMenu(MenuHandle menu, ScreenPoint at, WindowHandle owner) {
    // Items are picked with the left button: a stray right click runs nothing.
    ::TrackPopupMenu(AsMenu(menu), TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0,
                     AsWindow(owner), nullptr);
}

void Win32Window::DestroyMenu(MenuHandle menu) { ::DestroyMenu(AsMenu(menu)); }

void Win32Window::SetForegroundWindow(WindowHandle window) {
    ::SetForegroundWindow(AsWindow(window));
}

void Win32Window::PostWindowMessage(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wParam, std::intptr_t lParam) {
    PostMessageA(AsWindow(window), message, wParam, lParam);
}

IconHandle Win32Window::LoadAppIcon(std::uint32_t resourceId) {
    return reinterpret_cast<IconHandle>(LoadIconA(m_instance, MAKEINTRESOURCEA(resourceId)));
}

IconHandle Win32Window::GetStaticIcon(WindowHandle dialog, int controlId) {
    return static_cast<IconHandle>(
        SendDlgItemMessageA(AsWindow(dialog), controlId, STM_GETICON, 0, 0));
}

void Win32Window::SetStaticIcon(WindowHandle dialog, int controlId, IconHandle icon) {
    SendDlgItemMessageA(AsWindow(dialog), controlId, STM_SETICON, icon, 0);
}

PaintHandle Win32Window::BeginPaint(WindowHandle window) {
    return reinterpret_cast<PaintHandle>(::BeginPaint(AsWindow(window), &m_paint));
}

void Win32Window::SendIconEraseBackground(WindowHandle window, PaintHandle paint) {
    SendMessageA(AsWindow(window), WM_ICONERASEBKGND, paint, 0);
}

void Win32Window::DrawIcon(PaintHandle paint, std::int32_t x, std::int32_t y, IconHandle icon) {
    ::DrawIcon(reinterpret_cast<HDC>(paint), x, y, AsIcon(icon));
}

void Win32Window::EndPaint(WindowHandle window, PaintHandle) {
    ::EndPaint(AsWindow(window), &m_paint);
    ZeroMemory(&m_paint, sizeof(m_paint));
}

ColorRef Win32Window::GetSysColor(int index) { return ::GetSysColor(index); }

int Win32Window::GetSystemMetric(int index) { return GetSystemMetrics(index); }

int Win32Window::GetWindowDpi(WindowHandle window) {
    LookUpOptionalFunctions();
    if (m_getDpiForWindow != nullptr) {
        return static_cast<int>(m_getDpiForWindow(AsWindow(window)));
    }
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return 0;
    }
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int Win32Window::GetNotifyIconSize() {
    LookUpOptionalFunctions();
    const HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar != nullptr && m_getDpiForWindow != nullptr && m_getSystemMetricsForDpi != nullptr) {
        return m_getSystemMetricsForDpi(SM_CXSMICON, m_getDpiForWindow(taskbar));
    }
    return GetSystemMetrics(SM_CXSMICON);
}

int Win32Window::ShowMessageBox(WindowHandle owner, const std::string& text,
                                const std::string& caption, std::uint32_t style) {
    return MessageBoxA(AsWindow(owner), text.c_str(), caption.c_str(), style);
}

// The file dialog's library, with what it loads (the printing back end
// among it), is loaded when the dialog first opens: most runs never open it.
Win32Window::GetOpenFileNameFunction Win32Window::LookUpFileDialog() {
    if (m_comdlg32 == nullptr) {
        m_comdlg32 = LoadLibraryA("comdlg32.dll");
        if (m_comdlg32 != nullptr) {
            m_getOpenFileName = reinterpret_cast<GetOpenFileNameFunction>(
                reinterpret_cast<void*>(GetProcAddress(m_comdlg32, "GetOpenFileNameA")));
        }
    }
    return m_getOpenFileName;
}

bool Win32Window::OpenFileDialog(const std::string& defaultExtension,
                                 const std::string& initialName, std::uint32_t flags,
                                 std::string& path) {
    const GetOpenFileNameFunction getOpenFileName = LookUpFileDialog();
    if (getOpenFileName == nullptr) {
        return false;
    }
    char file[MAX_PATH];
    ZeroMemory(file, sizeof(file));
    if (initialName.size() < sizeof(file)) {
        std::memcpy(file, initialName.data(), initialName.size());
    }
    // The dialog wants the extension without its dot.
    const std::size_t dot = defaultExtension.rfind('.');
    const std::string extension =
        dot == std::string::npos ? defaultExtension : defaultExtension.substr(dot + 1);

    OPENFILENAMEA request;
    ZeroMemory(&request, sizeof(request));
    request.lStructSize = win32::kOpenFileNameSizeV400;
    request.hwndOwner = m_dialog;
    request.lpstrFile = file;
    request.nMaxFile = sizeof(file);
    request.lpstrDefExt = extension.c_str();
    request.Flags = flags;
    if (!getOpenFileName(&request)) {
        return false;
    }
    path.assign(file);
    return true;
}

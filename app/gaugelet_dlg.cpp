#include "app/gaugelet_dlg.h"

#include <algorithm>
#include <cstdlib>

#include "app/gaugelet_app.h"
#include "app/meter_ids.h"
#include "platform/pixels_api.h"
#include "platform/system_api.h"
#include "registry/registry_object.h"
#include "res/resource_ids.h"

namespace {

// A monitor unplugged or a resolution lowered can leave the window where no
// screen shows its middle; it then moves, keeping its size, into the nearest
// work area. A window the user put over the taskbar or across two monitors
// stays where it is.
ScreenPoint ReachablePlace(const WindowRect& window) {
    const MonitorFit fit = Window().FitToMonitors(window);
    if (fit.visible) {
        return ScreenPoint{window.left, window.top};
    }
    const WindowRect& area = fit.nearestWorkArea;
    const std::int64_t width = std::int64_t{window.right} - window.left;
    const std::int64_t height = std::int64_t{window.bottom} - window.top;
    const std::int64_t left =
        std::max<std::int64_t>(area.left, std::min<std::int64_t>(window.left, area.right - width));
    const std::int64_t top =
        std::max<std::int64_t>(area.top, std::min<std::int64_t>(window.top, area.bottom - height));
    return ScreenPoint{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top)};
}

// value x numerator / denominator, rounded half away from zero.
std::int32_t RoundedRatio(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t product = value * numerator;
    const std::int64_t half = denominator / 2;
    return static_cast<std::int32_t>((product >= 0 ? product + half : product - half) / denominator);
}

// A DPI of 0 or past any screen's is the system's fault, and a DPI below
// the design's would shrink the skin: both keep the design's size.
int SaneDpi(int dpi) {
    return dpi >= win32::kDefaultDpi && dpi <= 10 * win32::kDefaultDpi ? dpi
                                                                        : win32::kDefaultDpi;
}

int SaneIconSize(int size) { return size >= 16 && size <= 160 ? size : 16; }

}  // namespace

CGaugeletDlg::CGaugeletDlg() : CDialogBase(IDD_GAUGELET_DIALOG) {
    m_pApp = dynamic_cast<CGaugeletApp*>(CWinAppBase::Current());
    m_hIcon = Window().LoadAppIcon(IDR_MAINFRAME);
}

CGaugeletDlg::~CGaugeletDlg() = default;

void CGaugeletDlg::DoDataExchange() { m_ctlMeter.Attach(m_hWnd, IDC_METER); }

bool CGaugeletDlg::WindowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                              std::intptr_t& result) {
    if (message == win32::kWmInitDialog) {
        // A tool window has no taskbar button, so "taskbar" always means the notification icon.
        std::uint32_t exStyle = Window().GetExStyle(m_hWnd);
        exStyle &= ~win32::kWsExAppWindow;
        exStyle |= win32::kWsExToolWindow;
        Window().SetExStyle(m_hWnd, exStyle);
    }
    return CDialogBase::WindowProc(message, wParam, lParam, result);
}

bool CGaugeletDlg::OnInitDialog() {
    CDialogBase::OnInitDialog();
    Window().SetWindowTitle(m_hWnd, "Gaugelet");
    MakeTransparent();
    Window().SetIcon(m_hWnd, win32::kIconBig, m_hIcon);
    Window().SetIcon(m_hWnd, win32::kIconSmall, m_hIcon);

    m_machineName = m_pApp != nullptr ? m_pApp->m_strCmdLine : std::string();

    win32::OsVersionInfoA version{};
    version.dwOSVersionInfoSize = win32::kOsVersionInfoSize;
    System().QueryVersion(&version);
    std::int64_t majorVersion = version.dwMajorVersion;
    m_bWinNT = version.dwPlatformId == win32::kVerPlatformWin32Nt;

    if (!m_machineName.empty()) {
        LocalMachineRegistryObject remote;
        if (remote.Connect(m_machineName)) {
            std::string text;
            if (remote.GetString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                 "CurrentVersion", text, "") &&
                !text.empty()) {
                majorVersion = std::atoi(text.c_str());
            }
        } else {
            Window().ShowMessageBox(m_hWnd, "Failed to connect to \n" + m_machineName,
                                    "Error", win32::kMbOk | win32::kMbIconInformation);
            m_machineName.clear();
        }
    }

    // Every system from version 5 on serves the "_Total" instance.
    m_instanceName = majorVersion >= 5 ? "_Total" : "0";
    if (!OpenWholeProcessor()) {
        Window().ShowMessageBox(m_hWnd, meter::kNotUsableQuery, "Error",
                                win32::kMbOk | win32::kMbIconInformation);
    }
    // The first load shows at the second tick, so their clock starts as soon
    // as no message box can hand a tick to a meter not yet set up.
    Window().SetTimer(m_hWnd, meter::kTimerId, meter::kTimerPeriodMs);

    ReadSettingsAndPlace();

    if (m_bShowOnTaskbar) {
        m_taskIcon.Add(m_hWnd, 0, meter::kTaskIconId);
    }
    if (!m_machineName.empty()) {
        m_taskIcon.SetTip(m_taskIcon.GetTip() + " (" + m_machineName + ")");
    }
    m_strNormalTip = m_taskIcon.GetTip();
    return true;
}

bool CGaugeletDlg::OpenWholeProcessor() {
    if (!m_bWinNT) {
        return m_perfQuery.Open("KERNEL", "CPUUsage", m_instanceName, m_machineName);
    }
    const bool opened =
        m_perfQuery.Open("Processor", meter::kPerfCounter, m_instanceName, m_machineName);
    std::vector<std::string> names;
    m_perfQuery.GetInstanceNames(names);
    const auto processors = std::count_if(names.begin(), names.end(),
                                          [](const std::string& name) { return name != "_Total"; });
    if (processors > 0) {
        m_nProcessors = static_cast<std::int32_t>(processors);
    }
    return opened;
}

void CGaugeletDlg::MakeTransparent() {
    if (!Window().OffersLayeredWindows()) {
        return;
    }
    Window().SetExStyle(m_hWnd, Window().GetExStyle(m_hWnd) | win32::kWsExLayered);
    m_bTranslucent = true;
    Window().SetLayeredAttributes(m_hWnd, Window().GetSysColor(win32::kColorBtnFace), 128,
                                  win32::kLwaColorKey);
}

void CGaugeletDlg::ReadSettingsAndPlace() {
    std::string skinPath;
    RegistryRect stored;
    {
        CurrentUserRegistryObject settings;
        settings.GetString(meter::kSettingsKey, "Skin", skinPath, "");
        settings.GetRect(meter::kSettingsKey, "Pos", stored, RegistryRect());
        settings.GetFlag(meter::kSettingsKey, "TopMost", m_bTopMost, false);
        settings.GetFlag(meter::kSettingsKey, "TaskBar", m_bShowOnTaskbar, true);
        settings.GetFlag(meter::kSettingsKey, "Desktop", m_bShowOnDesktop, false);
    }
    if (!m_bShowOnDesktop && !m_bShowOnTaskbar) {
        m_bShowOnTaskbar = true;
    }

    // The stored size is the design's; the place is in screen pixels, so
    // the meter comes back where it was left at any DPI.
    m_dpi = SaneDpi(Window().GetWindowDpi(m_hWnd));
    const InsertAfter insertAfter = m_bTopMost ? InsertAfter::kTopMost : InsertAfter::kTop;
    const auto& r = stored.rect;
    if (r.right == r.left) {
        Window().SetWindowPos(m_hWnd, insertAfter, 0, 0, WindowSpanAtDpi(20), WindowSpanAtDpi(20),
                              win32::kSwpNoMove);
    } else {
        const std::int32_t width = WindowSpanAtDpi(r.right - r.left);
        const std::int32_t height = WindowSpanAtDpi(r.bottom - r.top);
        const ScreenPoint place =
            ReachablePlace(WindowRect{r.left, r.top, r.left + width, r.top + height});
        Window().SetWindowPos(m_hWnd, insertAfter, place.x, place.y, width, height, 0);
    }
    const int placedDpi = SaneDpi(Window().GetWindowDpi(m_hWnd));
    if (placedDpi != m_dpi) {
        ResizeForDpi(placedDpi, Window().GetWindowRect(m_hWnd));
    }

    m_taskIcon.SetFrameSizes(SaneIconSize(Window().GetNotifyIconSize()), AtDpi(16));
    if (!LoadSkin(skinPath)) {
        m_taskIcon.LoadFrames(IDB_SKIN);
    }
}

std::int32_t CGaugeletDlg::AtDpi(std::int32_t length) const {
    return static_cast<std::int32_t>(std::int64_t{length} * m_dpi / win32::kDefaultDpi);
}

std::int32_t CGaugeletDlg::WindowSpanAtDpi(std::int32_t length) const {
    return RoundedRatio(length, m_dpi, win32::kDefaultDpi);
}

std::int32_t CGaugeletDlg::WindowSpanAt96Dpi(std::int32_t from, std::int32_t to) const {
    return RoundedRatio(std::int64_t{to} - from, win32::kDefaultDpi, m_dpi);
}

void CGaugeletDlg::ResizeForDpi(int dpi, const WindowRect& at) {
    const WindowRect rect = Window().GetWindowRect(m_hWnd);
    const std::int32_t width = WindowSpanAt96Dpi(rect.left, rect.right);
    const std::int32_t height = WindowSpanAt96Dpi(rect.top, rect.bottom);
    m_dpi = dpi;
    Window().SetWindowPos(m_hWnd, InsertAfter::kTop, at.left, at.top, WindowSpanAtDpi(width),
                          WindowSpanAtDpi(height), win32::kSwpNoZOrder);
}

void CGaugeletDlg::CutFramesForDisplays() {
    m_taskIcon.SetFrameSizes(SaneIconSize(Window().GetNotifyIconSize()), AtDpi(16));
    if (!CutSkinFrames(m_skinPath)) {
        m_taskIcon.LoadFrames(IDB_SKIN);
    }
}

void CGaugeletDlg::OnDpiChanged(int dpi, const WindowRect& suggested) {
    ResizeForDpi(SaneDpi(dpi), suggested);
    const std::int32_t shown = m_nFrame;
    CutFramesForDisplays();
    if (shown >= 0) {
        ShowFrame(m_bSuspended ? 0 : shown);
    }
}

bool CGaugeletDlg::OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                             std::intptr_t& result) {
    if (g_uTaskIconNotifyMsg != 0 && message == g_uTaskIconNotifyMsg) {
        result = OnTaskIconNotify(wParam, lParam);
        return true;
    }
    if (g_uTaskbarCreatedMsg != 0 && message == g_uTaskbarCreatedMsg) {
        OnTaskbarCreated();
        return true;
    }
    switch (message) {
    case win32::kWmPaint:
        if (Window().IsMinimised(m_hWnd)) {
            OnPaint();
            return true;
        }
        return false;
    case win32::kWmQueryDragIcon:
        result = static_cast<std::intptr_t>(OnQueryDragIcon());
        return true;
    case win32::kWmTimer:
        OnTimer(static_cast<std::uint32_t>(wParam));
        return true;
    case win32::kWmLButtonDown:
        OnLButtonDown();
        return false;
    case win32::kWmLButtonUp:
        OnLButtonUp();
        return false;
    case win32::kWmMouseMove:
        OnMouseMove();
        return false;
    case win32::kWmRButtonUp:
        OnRButtonUp();
        return false;
    case win32::kWmDpiChanged:
        OnDpiChanged(static_cast<int>(wParam & 0xFFFF),
                     lParam != 0 ? *reinterpret_cast<const WindowRect*>(lParam)
                                 : Window().GetWindowRect(m_hWnd));
        result = 0;
        return true;
    case win32::kWmEndSession:
        OnEndSession(wParam != 0);
        return false;
    case win32::kWmDestroy: {
        // The icon the control shows is the window's; it goes with the window.
        const IconHandle shown = m_ctlMeter.GetIcon();
        if (shown != 0) {
            m_ctlMeter.SetIcon(0);
            Pixels().DestroyIcon(shown);
        }
        return false;
    }
    default:
        return false;
    }
}

bool CGaugeletDlg::OnCommand(std::uint32_t id) {
    switch (id) {
    case meter::kCmdSkin:
        OnSkin();
        return true;
    case meter::kCmdExit:
        OnOK();
        return true;
    case meter::kCmdSuspend:
        OnSuspend();
        return true;
    case meter::kCmdAlwaysOnTop:
        OnAlwaysOnTop();
        return true;
    case meter::kCmdDisplayOnTaskbar:
        OnDisplayOnTaskbar();
        return true;
    case meter::kCmdDisplayOnDesktop:
        OnDisplayOnDesktop();
        return true;
    default:
        if (id >= meter::kCmdFirstProcess && id <= meter::kCmdLastProcess) {
            OnSelectProcess(id);
            return true;
        }
        return false;
    }
}

void CGaugeletDlg::OnPaint() {
    const PaintHandle paint = Window().BeginPaint(m_hWnd);
    Window().SendIconEraseBackground(m_hWnd, paint);
    const WindowRect client = Window().GetClientRect(m_hWnd);
    const int iconWidth = Window().GetSystemMetric(win32::kSmCxIcon);
    const int iconHeight = Window().GetSystemMetric(win32::kSmCyIcon);
    const std::int32_t x = (client.right - client.left - iconWidth + 1) / 2;
    const std::int32_t y = (client.bottom - client.top - iconHeight + 1) / 2;
    Window().DrawIcon(paint, x, y, m_hIcon);
    Window().EndPaint(m_hWnd, paint);
}

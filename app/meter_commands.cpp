// The context menu, the notification callbacks, dragging, the display
// switches, skins, the process choice and leaving the program.
#include <cstdlib>

#include "app/gaugelet_dlg.h"
#include "app/meter_ids.h"
#include "platform/pixels_api.h"
#include "registry/registry_object.h"
#include "res/resource_ids.h"

void CGaugeletDlg::ShowContextMenu() {
    WindowApi& window = Window();
    window.KillTimer(m_hWnd, meter::kTimerId);
    const MenuHandle menu = window.CreatePopupMenu();
    const MenuHandle processes = window.CreatePopupMenu();

    window.AppendMenuItem(menu, meter::kCmdSkin, "&Skin...");
    window.AppendMenuItem(menu, meter::kCmdDisplayOnTaskbar, "Display On &Taskbar");
    window.CheckMenuItem(menu, meter::kCmdDisplayOnTaskbar, m_bShowOnTaskbar);
    if (m_bTranslucent) {
        window.AppendMenuItem(menu, meter::kCmdDisplayOnDesktop, "Display On Des&ktop");
        window.CheckMenuItem(menu, meter::kCmdDisplayOnDesktop, m_bShowOnDesktop);
        window.AppendMenuItem(menu, meter::kCmdAlwaysOnTop, "&Always On Top");
        window.CheckMenuItem(menu, meter::kCmdAlwaysOnTop, m_bTopMost);
    }
    window.AppendMenuItem(menu, meter::kCmdSuspend, m_bSuspended ? "Re&sume" : "&Suspend");
    if (m_bWinNT) {
        // A machine that stopped answering is not asked again here: the
        // menu would wait for it.
        m_processNames.clear();
        if (!m_perfQuery.MachineLost()) {
            CPerfQuery processQuery;
            processQuery.Open("Process", meter::kPerfCounter, "", m_machineName);
            processQuery.GetInstanceNames(m_processNames);
        }
        for (std::size_t i = 0; i < m_processNames.size(); ++i) {
            window.AppendMenuItem(processes, meter::kCmdFirstProcess + static_cast<std::uint32_t>(i),
                                  m_processNames[i]);
        }
        window.AppendPopup(menu, processes, "Processes...");
    }
    window.AppendMenuItem(menu, meter::kCmdExit, "E&xit");

    window.SetForegroundWindow(m_hWnd);
    window.TrackPopupMenu(menu, window.GetCursorPos(), m_hWnd);
    window.PostWindowMessage(m_hWnd, win32::kWmNull, 0, 0);
    window.SetTimer(m_hWnd, meter::kTimerId, meter::kTimerPeriodMs);
    // A pop-up appended to the menu goes with the menu.
    if (!m_bWinNT) {
        window.DestroyMenu(processes);
    }
    window.DestroyMenu(menu);
}

void CGaugeletDlg::OnRButtonUp() { ShowContextMenu(); }

std::intptr_t CGaugeletDlg::OnTaskIconNotify(std::uintptr_t, std::intptr_t mouseMessage) {
    if (mouseMessage == win32::kWmLButtonDblClk) {
        OnSkin();
    } else if (mouseMessage == win32::kWmRButtonUp) {
        ShowContextMenu();
    }
    return 0;
}

// The shell restarted, or started after the meter: without the icon the
// default settings leave no way to reach the meter.
void CGaugeletDlg::OnTaskbarCreated() {
    if (m_bShowOnTaskbar) {
        m_taskIcon.AddAgain();
    }
}

void CGaugeletDlg::OnLButtonDown() {
    if (m_bDragging) {
        return;
    }
    m_bDragging = true;
    m_ptDrag = Window().GetCursorPos();
    Window().SetCapture(m_hWnd);
}

void CGaugeletDlg::OnMouseMove() {
    if (!m_bDragging) {
        return;
    }
    const ScreenPoint cursor = Window().GetCursorPos();
    const std::int64_t dx = static_cast<std::int64_t>(cursor.x) - m_ptDrag.x;
    const std::int64_t dy = static_cast<std::int64_t>(cursor.y) - m_ptDrag.y;
    if (std::llabs(dx) <= AtDpi(2) && std::llabs(dy) <= AtDpi(2)) {
        return;
    }
    const WindowRect rect = Window().GetWindowRect(m_hWnd);
    Window().SetWindowPos(m_hWnd, InsertAfter::kTop, static_cast<std::int32_t>(rect.left + dx),
                          static_cast<std::int32_t>(rect.top + dy), 0, 0,
                          win32::kSwpNoSize | win32::kSwpNoZOrder);
    m_ptDrag = cursor;
}

void CGaugeletDlg::OnLButtonUp() {
    if (m_bDragging) {
        Window().ReleaseCapture();
    }
    m_bDragging = false;
}

void CGaugeletDlg::OnAlwaysOnTop() {
    m_bTopMost = !m_bTopMost;
    Window().SetWindowPos(m_hWnd, m_bTopMost ? InsertAfter::kTopMost : InsertAfter::kNoTopMost, 0,
                          0, 0, 0, win32::kSwpNoSize | win32::kSwpNoMove);
}

void CGaugeletDlg::OnDisplayOnDesktop() {
    if (m_bShowOnDesktop && !m_bShowOnTaskbar) {
        return;
    }
    m_bShowOnDesktop = !m_bShowOnDesktop;
    Window().ShowWindow(m_hWnd, m_bShowOnDesktop);
    if (m_bShowOnDesktop) {
        ShowMissedFrame();
    }
}

// A display switched on missed the frames shown while it was off: the next
// tick draws one, or, while no tick samples, the idle frame shows at once.
void CGaugeletDlg::ShowMissedFrame() {
    if (m_bSuspended) {
        ShowFrame(0);
    } else {
        m_nFrame = -1;
    }
}

void CGaugeletDlg::OnDisplayOnTaskbar() {
    if (!m_bShowOnDesktop && m_bShowOnTaskbar) {
        return;
    }
    m_bShowOnTaskbar = !m_bShowOnTaskbar;
    if (m_bShowOnTaskbar) {
        m_taskIcon.Add(m_hWnd, 0, meter::kTaskIconId);
        ShowMissedFrame();
    } else {
        m_taskIcon.Remove();
    }
}

bool CGaugeletDlg::LoadSkin(const std::string& path) {
    if (!CutSkinFrames(path)) {
        return false;
    }
    CurrentUserRegistryObject settings;
    settings.SetString(meter::kSettingsKey, "Skin", path);
    m_nFrame = -1;
    return true;
}

bool CGaugeletDlg::CutSkinFrames(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const BitmapHandle bitmap = Pixels().LoadBitmapFile(path);
    const bool ok = m_taskIcon.SetFrames(bitmap);
    if (bitmap != 0) {
        Pixels().DeleteBitmap(bitmap);
    }
    m_skinPath = ok ? path : std::string();
    return ok;
}

void CGaugeletDlg::OnSkin() {
    Window().KillTimer(m_hWnd, meter::kTimerId);
    std::string path;
    if (Window().OpenFileDialog(".bmp", "*.bmp",
                                win32::kOfnHideReadOnly | win32::kOfnOverwritePrompt, path) &&
        !LoadSkin(path)) {
        Window().ShowMessageBox(m_hWnd, "This bitmap is not usable as a skin !", "Gaugelet",
                                win32::kMbOk | win32::kMbIconHand);
        m_taskIcon.LoadFrames(IDB_SKIN);
        // The displays still show the refused skin's frame.
        m_nFrame = -1;
    }
    Window().SetTimer(m_hWnd, meter::kTimerId, meter::kTimerPeriodMs);
}

void CGaugeletDlg::OnSelectProcess(std::uint32_t id) {
    const std::size_t index = id - meter::kCmdFirstProcess;
    if (id < meter::kCmdFirstProcess || index >= m_processNames.size()) {
        return;
    }
    const std::string name = m_processNames[index];
    StartNewSamplePair();
    if (name == "_Total") {
        OpenWholeProcessor();
        m_bWatchProcess = false;
        return;
    }
    m_bWatchProcess = m_perfQuery.Open("Process", meter::kPerfCounter, name, m_machineName);
    if (!m_bWatchProcess) {
        Window().ShowMessageBox(m_hWnd, meter::kNotUsableQuery, "Error",
                                win32::kMbOk | win32::kMbIconInformation);
        OpenWholeProcessor();
    }
}

void CGaugeletDlg::StoreSettings() {
    CurrentUserRegistryObject settings;
    const WindowRect rect = Window().GetWindowRect(m_hWnd);
    // The place in screen pixels, the size in the design's: a start at
    // another DPI scales it from there.
    const std::int32_t width = WindowSpanAt96Dpi(rect.left, rect.right);
    const std::int32_t height = WindowSpanAt96Dpi(rect.top, rect.bottom);
    settings.SetRect(meter::kSettingsKey, "pos",
                     RegistryRect(rect.left, rect.top, rect.left + width, rect.top + height));
    settings.SetFlag(meter::kSettingsKey, "Desktop", m_bShowOnDesktop);
    settings.SetFlag(meter::kSettingsKey, "TaskBar", m_bShowOnTaskbar);
    settings.SetFlag(meter::kSettingsKey, "TopMost", m_bTopMost);
}

void CGaugeletDlg::OnOK() {
    StoreSettings();
    CDialogBase::OnOK();
}

void CGaugeletDlg::OnCancel() {}

void CGaugeletDlg::OnEndSession(bool ending) {
    // The session ends without Exit: keep what Exit would have kept.
    if (ending) {
        StoreSettings();
    }
}

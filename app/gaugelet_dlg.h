// The meter window: samples the load once a second and shows it as a frame
// of the skin on the desktop and in the notification area.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/dialog_base.h"
#include "perf/perf_query.h"
#include "taskicon/task_icon.h"

class CGaugeletApp;

class CGaugeletDlg : public CDialogBase {
public:
    CGaugeletDlg();
    ~CGaugeletDlg() override;

    bool LoadSkin(const std::string& path);
    void ShowFrame(std::int32_t frame);
    void ShowContextMenu();

    void OnTimer(std::uint32_t timerId);
    void OnPaint();
    IconHandle OnQueryDragIcon() const { return m_hIcon; }
    void OnLButtonDown();
    void OnLButtonUp();
    void OnMouseMove();
    void OnRButtonUp();
    std::intptr_t OnTaskIconNotify(std::uintptr_t iconId, std::intptr_t mouseMessage);
    void OnEndSession(bool ending);
    void OnTaskbarCreated();
    void OnSkin();
    void OnSuspend();
    void OnAlwaysOnTop();
    void OnDisplayOnTaskbar();
    void OnDisplayOnDesktop();
    void OnSelectProcess(std::uint32_t id);
    void OnDpiChanged(int dpi, const WindowRect& suggested);

    CStaticIcon m_ctlMeter;
    IconHandle m_hIcon = 0;
    CPerfQuery m_perfQuery;
    CTaskIcon m_taskIcon;
    std::int32_t m_nFrame = -1;
    bool m_bSuspended = false;
    bool m_bWatchProcess = false;
    CGaugeletApp* m_pApp = nullptr;
    std::string m_machineName;
    std::string m_instanceName;
    bool m_bWinNT = false;
    std::vector<std::string> m_processNames;
    ScreenPoint m_ptDrag;
    bool m_bDragging = false;
    bool m_bTopMost = false;
    bool m_bShowOnDesktop = false;
    bool m_bTranslucent = false;
    bool m_bShowOnTaskbar = false;

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool WindowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                    std::intptr_t& result) override;
    bool OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t& result) override;
    bool OnCommand(std::uint32_t id) override;

private:
    bool QueryUsable() const;
    // The next sample only records: a difference needs two of one counter.
    void StartNewSamplePair();
    void RetryQuery();
    enum class Reading { kLoad, kNoLoad, kNoData };
    // Load in percent and frame of one sample. A tick without a load is
    // kNoLoad where the data came (the first of a pair, a still clock) and
    // kNoData where they did not.
    Reading SampleLoad(std::int32_t& load, std::int32_t& frame);
    // Fits a load to the display; false for a glitch that shows nothing.
    bool ShownLoad(std::int32_t& load, std::int32_t& frame) const;
    void ShowNoData(bool noData);
    void StoreSettings();
    void ShowMissedFrame();
    // The load of all processors, on either family; on NT also counts them.
    bool OpenWholeProcessor();
    void MakeTransparent();
    void ReadSettingsAndPlace();
    // A length of the 96-dpi design at the window's DPI, truncated as the
    // frame and the drag threshold are.
    std::int32_t AtDpi(std::int32_t length) const;
    // The window's size from the design's units at the window's DPI, and
    // the span from one screen coordinate to another back in the design's
    // units: both round, so that a size stored and restored at any DPI, or
    // taken to another DPI and back, stays as it was.
    std::int32_t WindowSpanAtDpi(std::int32_t length) const;
    std::int32_t WindowSpanAt96Dpi(std::int32_t from, std::int32_t to) const;
    // Keeps the window's size in the design's units and moves it to `at`.
    void ResizeForDpi(int dpi, const WindowRect& at);
    // The skin's frames at the notification area's icon size and the
    // window's DPI: made once per skin and size, never per tick.
    void CutFramesForDisplays();
    bool CutSkinFrames(const std::string& path);

    // What the ticks and Suspend remember for the meter's whole life: a
    // re-opened query or a suspension does not reset them.
    std::int32_t m_nTicks = 0;
    bool m_bFirstSample = true;
    std::int64_t m_prevCounter = 0;
    std::int64_t m_prevTime = 0;
    // The tooltip without what Suspend or a lack of data add to it.
    std::string m_strNormalTip;
    bool m_bNoData = false;
    // Of the watched machine, from its "Processor" object: what one process can use.
    std::int32_t m_nProcessors = 1;
    int m_dpi = win32::kDefaultDpi;
    // The skin file shown; empty for the built-in skin.
    std::string m_skinPath;
};

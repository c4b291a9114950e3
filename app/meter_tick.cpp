// The once-a-second sampling tick, the display of a frame, and Suspend.
#include <cmath>
#include <cstring>
#include <limits>

#include "app/gaugelet_dlg.h"
#include "app/meter_ids.h"
#include "platform/pixels_api.h"

namespace {

// Truncates toward zero; false when the value has no int32 (odd time stamps).
bool Truncate(double value, std::int32_t& out) {
    const double t = std::trunc(value);
    if (!(t >= static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
          t <= static_cast<double>(std::numeric_limits<std::int32_t>::max()))) {
        return false;
    }
    out = static_cast<std::int32_t>(t);
    return true;
}

}  // namespace

bool CGaugeletDlg::QueryUsable() const {
    return m_perfQuery.m_bOpen && m_perfQuery.m_nCounterIndex >= 0 &&
           m_perfQuery.m_nInstanceIndex >= 0;
}

void CGaugeletDlg::StartNewSamplePair() { m_bFirstSample = true; }

// An unusable query, or one whose sample failed (the data stopped coming or
// no longer hold the watched instance where the refresh found it), is
// refreshed every third tick: only a refresh can find the instance again.
void CGaugeletDlg::RetryQuery() {
    if (m_nTicks % 3 == 0) {
        m_perfQuery.Refresh();
    }
}

bool CGaugeletDlg::SampleLoad(std::int32_t& load, std::int32_t& frame) {
    const double lastFrame = static_cast<double>(m_taskIcon.GetFrameCount() - 1);
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t counterType = 0;
    if (!m_bWinNT) {
        m_bFirstSample = false;
        if (!m_perfQuery.Sample(data, size, counterType)) {
            RetryQuery();
            return false;
        }
        std::uint32_t value = 0;
        const bool whole = size >= sizeof(value);
        if (whole) {
            std::memcpy(&value, data, sizeof(value));
        }
        delete[] data;
        if (!whole) {
            return false;
        }
        load = value <= 100 ? static_cast<std::int32_t>(value) : 101;
        return Truncate(lastFrame * (static_cast<double>(value) * 0.01), frame);
    }

    if (!m_perfQuery.Sample(data, size, counterType)) {
        RetryQuery();
        return false;
    }
    std::int64_t raw = 0;
    const bool whole = size >= sizeof(raw);
    if (whole) {
        std::memcpy(&raw, data, sizeof(raw));
    }
    delete[] data;
    if (!whole) {
        return false;
    }
    const std::int64_t time = m_perfQuery.m_perfTime100nSec;
    bool hasLoad = false;
    if (!m_bFirstSample) {
        // Differences wrap instead of overflowing on odd counters.
        const auto dt = static_cast<std::int64_t>(static_cast<std::uint64_t>(time) -
                                                  static_cast<std::uint64_t>(m_prevTime));
        if (dt != 0) {
            const auto dc = static_cast<std::int64_t>(static_cast<std::uint64_t>(raw) -
                                                      static_cast<std::uint64_t>(m_prevCounter));
            const double ratio = static_cast<double>(dc) / static_cast<double>(dt);
            const double fraction = m_bWatchProcess ? ratio : 1.0 - ratio;
            hasLoad = Truncate(fraction * 100.0, load) && Truncate(lastFrame * fraction, frame);
        }
    }
    m_prevCounter = raw;
    m_prevTime = time;
    m_bFirstSample = false;
    if (m_nTicks % 5 == 0 && m_bWatchProcess) {
        m_perfQuery.Refresh();
    }
    return hasLoad;
}

void CGaugeletDlg::OnTimer(std::uint32_t) {
    ++m_nTicks;
    if (!m_bShowOnDesktop && Window().IsVisible(m_hWnd)) {
        Window().ShowWindow(m_hWnd, false);
    }
    if (m_bSuspended) {
        return;
    }
    if (QueryUsable()) {
        std::int32_t load = 0;
        std::int32_t frame = 0;
        // A tick without a load value leaves the display as it is.
        if (SampleLoad(load, frame) && load <= 100) {
            // Idle ran ahead of the clock: no frame lies below the idle one.
            if (frame < 0) {
                frame = 0;
            }
            if (frame != m_nFrame) {
                ShowFrame(frame);
            }
            m_nFrame = frame;
        }
        if (QueryUsable()) {
            return;
        }
    } else {
        RetryQuery();
    }
    if (m_nFrame != 0) {
        ShowFrame(0);
    }
    m_nFrame = 0;
}

void CGaugeletDlg::ShowFrame(std::int32_t frame) {
    if (m_bShowOnTaskbar) {
        m_taskIcon.ShowFrameIcon(frame);
    }
    if (!m_bShowOnDesktop) {
        return;
    }
    // The control never shows a destroyed icon: the new one goes in first.
    const IconHandle previous = m_ctlMeter.GetIcon();
    m_ctlMeter.SetIcon(m_taskIcon.GetWindowFrameIcon(frame));
    if (previous != 0) {
        Pixels().DestroyIcon(previous);
    }
}

void CGaugeletDlg::OnSuspend() {
    if (!m_bNormalTipTaken) {
        m_strNormalTip = m_taskIcon.GetTip();
        m_bNormalTipTaken = true;
    }
    m_bSuspended = !m_bSuspended;
    if (m_bSuspended) {
        ShowFrame(0);
        m_taskIcon.SetTip(m_strNormalTip + " (suspended)");
    } else {
        m_taskIcon.SetTip(m_strNormalTip);
        // The displays still show the idle frame: the next tick must redraw.
        m_nFrame = -1;
    }
}

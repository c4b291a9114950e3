// The once-a-second sampling tick, the display of a frame, and Suspend.
#include <algorithm>
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

// A query without data (unusable, or whose sample failed: the data stopped
// coming or no longer hold the watched instance where the refresh found it)
// is refreshed every third tick: only a refresh can find the data again.
void CGaugeletDlg::RetryQuery() {
    if (m_nTicks % 3 == 0) {
        m_perfQuery.Refresh();
    }
}

CGaugeletDlg::Reading CGaugeletDlg::SampleLoad(std::int32_t& load, std::int32_t& frame) {
    const double lastFrame = static_cast<double>(m_taskIcon.GetFrameCount() - 1);
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t counterType = 0;
    if (!m_bWinNT) {
        m_bFirstSample = false;
        if (!m_perfQuery.Sample(data, size, counterType)) {
            return Reading::kNoData;
        }
        std::uint32_t value = 0;
        const bool whole = size >= sizeof(value);
        if (whole) {
            std::memcpy(&value, data, sizeof(value));
        }
        delete[] data;
        if (!whole) {
            return Reading::kNoData;
        }
        load = value <= 100 ? static_cast<std::int32_t>(value) : 101;
        return Truncate(lastFrame * (static_cast<double>(value) * 0.01), frame) ? Reading::kLoad
                                                                               : Reading::kNoLoad;
    }

    if (!m_perfQuery.Sample(data, size, counterType)) {
        return Reading::kNoData;
    }
    std::int64_t raw = 0;
    const bool whole = size >= sizeof(raw);
    if (whole) {
        std::memcpy(&raw, data, sizeof(raw));
    }
    delete[] data;
    if (!whole) {
        return Reading::kNoData;
    }
    const std::int64_t time = m_perfQuery.m_perfTime100nSec;
    Reading reading = Reading::kNoLoad;
    if (!m_bFirstSample) {
        // Differences wrap instead of overflowing on odd counters.
        const auto dt = static_cast<std::int64_t>(static_cast<std::uint64_t>(time) -
                                                  static_cast<std::uint64_t>(m_prevTime));
        if (dt != 0) {
            const auto dc = static_cast<std::int64_t>(static_cast<std::uint64_t>(raw) -
                                                      static_cast<std::uint64_t>(m_prevCounter));
            const double ratio = static_cast<double>(dc) / static_cast<double>(dt);
            const double fraction = m_bWatchProcess ? ratio : 1.0 - ratio;
            if (Truncate(fraction * 100.0, load) && Truncate(lastFrame * fraction, frame)) {
                reading = Reading::kLoad;
            }
        }
    }
    m_prevCounter = raw;
    m_prevTime = time;
    m_bFirstSample = false;
    if (m_nTicks % 5 == 0 && m_bWatchProcess) {
        m_perfQuery.Refresh();
    }
    return reading;
}

// A process can use every processor: up to that its load is the last frame.
// Past it, or past 100 for the whole processor, the load is a glitch.
bool CGaugeletDlg::ShownLoad(std::int32_t& load, std::int32_t& frame) const {
    const std::int32_t lastFrame = m_taskIcon.GetFrameCount() - 1;
    if (load > 100) {
        if (!m_bWatchProcess || std::int64_t{load} > std::int64_t{100} * m_nProcessors) {
            return false;
        }
        load = 100;
        frame = lastFrame;
    }
    // Idle ran ahead of the clock: no frame lies below the idle one, nor
    // past the last.
    frame = std::max(0, std::min(frame, lastFrame));
    return true;
}

void CGaugeletDlg::OnTimer(std::uint32_t) {
    ++m_nTicks;
    if (!m_bShowOnDesktop && Window().IsVisible(m_hWnd)) {
        Window().ShowWindow(m_hWnd, false);
    }
    if (m_bSuspended) {
        return;
    }
    std::int32_t load = 0;
    std::int32_t frame = 0;
    const Reading reading = QueryUsable() ? SampleLoad(load, frame) : Reading::kNoData;
    if (reading == Reading::kNoData) {
        RetryQuery();
        StartNewSamplePair();
        frame = 0;
    } else if (reading == Reading::kNoLoad || !ShownLoad(load, frame)) {
        // A tick without a load value leaves the display as it is.
        return;
    }
    if (frame != m_nFrame) {
        ShowFrame(frame);
    }
    m_nFrame = frame;
    ShowNoData(reading == Reading::kNoData);
}

// The tooltip tells a lost machine or process from an idle one. Where the
// notification area's 63 characters cannot hold both, the machine's name,
// which stands in the tip's closing parentheses, is cut, never the suffix.
void CGaugeletDlg::ShowNoData(bool noData) {
    if (noData == m_bNoData) {
        return;
    }
    m_bNoData = noData;
    if (!noData) {
        m_taskIcon.SetTip(m_strNormalTip);
        return;
    }
    constexpr std::size_t kShown = CTaskIcon::kTipLength;
    const std::string suffix = " (no data)";
    std::string tip = m_strNormalTip;
    if (tip.size() + suffix.size() > kShown && !m_machineName.empty()) {
        const std::size_t cut = std::min(tip.size() + suffix.size() - kShown, m_machineName.size());
        tip.erase(tip.size() - 1 - cut, cut);
    }
    m_taskIcon.SetTip(tip.substr(0, kShown - suffix.size()) + suffix);
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
    m_bSuspended = !m_bSuspended;
    m_bNoData = false;
    if (m_bSuspended) {
        ShowFrame(0);
        m_taskIcon.SetTip(m_strNormalTip + " (suspended)");
    } else {
        m_taskIcon.SetTip(m_strNormalTip);
        // The displays still show the idle frame: the next tick must redraw.
        m_nFrame = -1;
    }
}

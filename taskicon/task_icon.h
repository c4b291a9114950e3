// The skin's frame strip and the notification-area icon that shows a frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/pixels_api.h"
#include "platform/shell_api.h"

// The message the shell sends the owner window about the icon, and the one
// a (re)started shell broadcasts to every top-level window; 0 until
// RegisterTaskIconMessage has run.
extern std::uint32_t g_uTaskIconNotifyMsg;
extern std::uint32_t g_uTaskbarCreatedMsg;
// Registers "MsgTaskIconNotify" and "TaskbarCreated"; the host calls it
// once, after installing the shell backend and before the meter window exists.
void RegisterTaskIconMessage();

class CTaskIcon {
public:
    // The notification area shows at most this many characters of a tip.
    static constexpr std::size_t kTipLength = sizeof(win32::NotifyIconDataA{}.szTip) - 1;

    CTaskIcon();
    ~CTaskIcon();
    CTaskIcon(const CTaskIcon&) = delete;
    CTaskIcon& operator=(const CTaskIcon&) = delete;

    // The frame strip: 16-pixel frames, RGB(0, 128, 128) transparent.
    bool LoadFrames(std::uint32_t resourceId);
    // The bitmap stays the caller's.
    bool SetFrames(BitmapHandle bitmap);
    // The sizes, in pixels, that the next LoadFrames or SetFrames cuts the
    // frames at, for this icon and for the desktop window; 16 until set.
    void SetFrameSizes(int iconSize, int windowSize);
    int GetFrameCount() const;
    // A new icon owned by the caller, or 0 outside 0 .. count - 1.
    IconHandle GetFrameIcon(int index);
    IconHandle GetWindowFrameIcon(int index);

    // The icon handed in becomes this object's.
    bool Add(WindowHandle owner, IconHandle icon, std::uint32_t id);
    bool Add(WindowHandle owner, IconHandle icon, std::uint32_t id, const std::string& tip);
    void Remove();
    // A (re)started shell knows no icons: adds the icon again as it stands,
    // its picture and tip included.
    bool AddAgain();
    bool SetIcon(IconHandle icon);
    bool SetTip(const std::string& tip);
    std::string GetTip() const;
    // Shows a frame, the last one for an index past the end.
    void ShowFrameIcon(int index);

private:
    void DiscardFrames();

    std::vector<std::uint32_t> m_ids;
    IconHandle m_hIcon = 0;
    WindowHandle m_hWndOwner = 0;
    std::string m_strTip;
    win32::NotifyIconDataA m_nid{};
    bool m_bShellIcons = false;
    ImageListHandle m_frames = 0;
    // 0 while the window's frames are the icon's.
    ImageListHandle m_windowFrames = 0;
    int m_iconSize = 16;
    int m_windowSize = 16;
};

#include "taskicon/task_icon.h"

#include <algorithm>
#include <cstring>

#include "platform/system_api.h"

std::uint32_t g_uTaskIconNotifyMsg = 0;
std::uint32_t g_uTaskbarCreatedMsg = 0;

void RegisterTaskIconMessage() {
    g_uTaskIconNotifyMsg = Shell().RegisterMessageName("MsgTaskIconNotify");
    g_uTaskbarCreatedMsg = Shell().RegisterMessageName("TaskbarCreated");
}

namespace {

constexpr int kFrameSize = 16;
constexpr int kGrowBy = 100;
constexpr ColorRef kTransparent = Rgb(0, 128, 128);

// The file name without folder, drive or extension.
std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The text stops at a zero.
void CopyTip(const std::string& tip, char (&dest)[CTaskIcon::kTipLength + 1]) {
    const std::size_t length = std::min(std::strlen(tip.c_str()), CTaskIcon::kTipLength);
    std::memset(dest, 0, sizeof(dest));
    std::memcpy(dest, tip.data(), length);
}

// Frames of size pixels cut from a strip of 16-pixel frames; 0 when none fit.
ImageListHandle CutFrames(BitmapHandle strip, int size) {
    const BitmapHandle scaled =
        size == kFrameSize ? 0 : Pixels().ScaleFrames(strip, kFrameSize, size);
    if (size != kFrameSize && scaled == 0) {
        return 0;
    }
    ImageListHandle list = Pixels().CreateImageList(size, size, 0, kGrowBy);
    if (list != 0) {
        Pixels().AddMasked(list, scaled != 0 ? scaled : strip, kTransparent);
        if (Pixels().GetImageCount(list) <= 0) {
            Pixels().DestroyImageList(list);
            list = 0;
        }
    }
    if (scaled != 0) {
        Pixels().DeleteBitmap(scaled);
    }
    return list;
}

}  // namespace

CTaskIcon::CTaskIcon() {
    win32::OsVersionInfoA version{};
    version.dwOSVersionInfoSize = win32::kOsVersionInfoSize;
    m_bShellIcons = System().QueryVersion(&version) && version.dwMajorVersion >= 4;
    m_strTip = BaseName(System().ProgramFileName());
}

CTaskIcon::~CTaskIcon() {
    Remove();
    DiscardFrames();
}

void CTaskIcon::DiscardFrames() {
    for (ImageListHandle* list : {&m_frames, &m_windowFrames}) {
        if (*list != 0) {
            Pixels().DestroyImageList(*list);
            *list = 0;
        }
    }
}

bool CTaskIcon::LoadFrames(std::uint32_t resourceId) {
    if (m_iconSize == kFrameSize && m_windowSize == kFrameSize) {
        DiscardFrames();
        m_frames = Pixels().LoadImageList(resourceId, kFrameSize, kTransparent);
        return m_frames != 0;
    }
    const BitmapHandle strip = Pixels().LoadBitmapResource(resourceId);
    const bool ok = SetFrames(strip);
    if (strip != 0) {
        Pixels().DeleteBitmap(strip);
    }
    return ok;
}

bool CTaskIcon::SetFrames(BitmapHandle bitmap) {
    DiscardFrames();
    // Adding a bitmap to a masked list blackens its key colour, and the
    // unscaled cut is given the strip itself: that cut comes last.
    const bool twoSizes = m_windowSize != m_iconSize;
    if (twoSizes && m_iconSize == kFrameSize) {
        m_windowFrames = CutFrames(bitmap, m_windowSize);
    }
    m_frames = CutFrames(bitmap, m_iconSize);
    if (twoSizes && m_iconSize != kFrameSize) {
        m_windowFrames = CutFrames(bitmap, m_windowSize);
    }
    if (m_frames == 0 || (twoSizes && m_windowFrames == 0)) {
        DiscardFrames();
        return false;
    }
    return true;
}

void CTaskIcon::SetFrameSizes(int iconSize, int windowSize) {
    m_iconSize = iconSize;
    m_windowSize = windowSize;
}

int CTaskIcon::GetFrameCount() const {
    return m_frames == 0 ? 0 : Pixels().GetImageCount(m_frames);
}

IconHandle CTaskIcon::GetFrameIcon(int index) {
    if (index < 0 || index >= GetFrameCount()) {
        return 0;
    }
    return Pixels().GetIcon(m_frames, index);
}

IconHandle CTaskIcon::GetWindowFrameIcon(int index) {
    if (m_windowFrames == 0) {
        return GetFrameIcon(index);
    }
    if (index < 0 || index >= GetFrameCount()) {
        return 0;
    }
    return Pixels().GetIcon(m_windowFrames, index);
}

bool CTaskIcon::Add(WindowHandle owner, IconHandle icon, std::uint32_t id) {
    if (!m_bShellIcons) {
        return false;
    }
    Add(owner, icon, id, m_strTip);
    return true;
}

bool CTaskIcon::Add(WindowHandle owner, IconHandle icon, std::uint32_t id,
                    const std::string& tip) {
    if (!m_bShellIcons) {
        return false;
    }
    m_hWndOwner = owner;
    // An icon still held would otherwise never be destroyed.
    if (m_hIcon != 0 && m_hIcon != icon) {
        Pixels().DestroyIcon(m_hIcon);
    }
    m_hIcon = icon;
    m_ids.push_back(id);
    m_strTip = tip;
    m_nid = win32::NotifyIconDataA{};
    m_nid.cbSize = win32::kNotifyIconDataV1Size;
    m_nid.hWnd = m_hWndOwner;
    m_nid.uID = id;
    m_nid.uFlags = win32::kNifMessage | win32::kNifIcon | win32::kNifTip;
    m_nid.uCallbackMessage = g_uTaskIconNotifyMsg;
    m_nid.hIcon = m_hIcon;
    CopyTip(m_strTip, m_nid.szTip);
    return Shell().AddNotifyIcon(m_nid);
}

void CTaskIcon::Remove() {
    if (!m_bShellIcons) {
        return;
    }
    if (m_hIcon != 0) {
        Pixels().DestroyIcon(m_hIcon);
        m_hIcon = 0;
    }
    for (const std::uint32_t id : m_ids) {
        m_nid.cbSize = win32::kNotifyIconDataV1Size;
        m_nid.hWnd = m_hWndOwner;
        m_nid.uID = id;
        Shell().DeleteNotifyIcon(m_nid);
    }
}

bool CTaskIcon::AddAgain() {
    if (!m_bShellIcons || m_ids.empty()) {
        return false;
    }
    m_nid.uFlags = win32::kNifMessage | win32::kNifIcon | win32::kNifTip;
    m_nid.uCallbackMessage = g_uTaskIconNotifyMsg;
    m_nid.hIcon = m_hIcon;
    CopyTip(m_strTip, m_nid.szTip);
    return Shell().AddNotifyIcon(m_nid);
}

bool CTaskIcon::SetIcon(IconHandle icon) {
    if (!m_bShellIcons) {
        return false;
    }
    if (m_hIcon != 0 && m_hIcon != icon) {
        Pixels().DestroyIcon(m_hIcon);
    }
    m_hIcon = icon;
    m_nid.uFlags = win32::kNifIcon;
    m_nid.hIcon = icon;
    return Shell().ModifyNotifyIcon(m_nid);
}

bool CTaskIcon::SetTip(const std::string& tip) {
    if (!m_bShellIcons) {
        return false;
    }
    m_strTip = tip;
    CopyTip(m_strTip, m_nid.szTip);
    m_nid.uFlags = win32::kNifTip;
    return Shell().ModifyNotifyIcon(m_nid);
}

std::string CTaskIcon::GetTip() const { return m_strTip; }

void CTaskIcon::ShowFrameIcon(int index) {
    if (m_frames == 0 || !m_bShellIcons) {
        return;
    }
    const int count = GetFrameCount();
    SetIcon(GetFrameIcon(std::min(index, count - 1)));
}

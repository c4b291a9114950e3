#include "app/dialog_base.h"

void CStaticIcon::Attach(WindowHandle dialog, int controlId) {
    m_hDialog = dialog;
    m_nControlId = controlId;
}

IconHandle CStaticIcon::GetIcon() const { return Window().GetStaticIcon(m_hDialog, m_nControlId); }

void CStaticIcon::SetIcon(IconHandle icon) { Window().SetStaticIcon(m_hDialog, m_nControlId, icon); }

CDialogBase::CDialogBase(std::uint32_t templateId) : m_nTemplateId(templateId) {}

CDialogBase::~CDialogBase() = default;

std::intptr_t CDialogBase::DoModal() {
    const std::intptr_t result = Window().RunModalDialog(m_nTemplateId, *this);
    m_hWnd = 0;
    return result;
}

bool CDialogBase::OnInitDialog() {
    DoDataExchange();
    return true;
}

void CDialogBase::OnOK() { EndDialog(win32::kIdOk); }

void CDialogBase::OnCancel() { EndDialog(win32::kIdCancel); }

bool CDialogBase::WindowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                             std::intptr_t& result) {
    result = 0;
    if (message == win32::kWmInitDialog) {
        result = OnInitDialog() ? 1 : 0;
        return true;
    }
    if (message == win32::kWmCommand) {
        const auto id = static_cast<std::uint32_t>(wParam & 0xFFFFu);
        if (id == win32::kIdOk) {
            OnOK();
            return true;
        }
        if (id == win32::kIdCancel) {
            OnCancel();
            return true;
        }
        return OnCommand(id);
    }
    return OnMessage(message, wParam, lParam, result);
}

bool CDialogBase::OnMessage(std::uint32_t, std::uintptr_t, std::intptr_t, std::intptr_t&) {
    return false;
}

bool CDialogBase::OnCommand(std::uint32_t) { return false; }

void CDialogBase::EndDialog(std::intptr_t result) { Window().EndDialog(m_hWnd, result); }

void CDialogBase::Attach(WindowHandle window) { m_hWnd = window; }

bool CDialogBase::Receive(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                          std::intptr_t& result) {
    return WindowProc(message, wParam, lParam, result);
}

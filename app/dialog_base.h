// The dialog base: a modal dialog from a template whose messages reach
// overridable handlers.
#pragma once

#include <cstdint>

#include "platform/window_api.h"

// A static control of a dialog that shows an icon.
class CStaticIcon {
public:
    void Attach(WindowHandle dialog, int controlId);
    IconHandle GetIcon() const;
    void SetIcon(IconHandle icon);

private:
    WindowHandle m_hDialog = 0;
    int m_nControlId = 0;
};

class CDialogBase : public DialogSink {
public:
    explicit CDialogBase(std::uint32_t templateId);
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;
    ~CDialogBase() override;

    std::intptr_t DoModal();

protected:
    virtual void DoDataExchange() {}
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // Sees every message first; the base hands it to the handlers.
    virtual bool WindowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                            std::intptr_t& result);
    // The derived dialog's message map; false for default processing.
    virtual bool OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                           std::intptr_t& result);
    virtual bool OnCommand(std::uint32_t id);

    void EndDialog(std::intptr_t result);

    WindowHandle m_hWnd = 0;

private:
    void Attach(WindowHandle window) override;
    bool Receive(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                 std::intptr_t& result) override;

    std::uint32_t m_nTemplateId;
};

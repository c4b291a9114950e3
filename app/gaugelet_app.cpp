#include "app/gaugelet_app.h"

#include "app/gaugelet_dlg.h"

bool CGaugeletApp::InitInstance() {
    CGaugeletDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return false;
}

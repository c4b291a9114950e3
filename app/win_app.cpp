#include "app/win_app.h"

namespace {
CWinAppBase* g_currentApp = nullptr;
}

CWinAppBase::CWinAppBase() { g_currentApp = this; }

CWinAppBase::~CWinAppBase() {
    if (g_currentApp == this) {
        g_currentApp = nullptr;
    }
}

int CWinAppBase::Run(const std::string& commandLine) {
    m_strCmdLine = commandLine;
    InitInstance();
    m_pMainWnd = nullptr;
    return 0;
}

CWinAppBase* CWinAppBase::Current() { return g_currentApp; }

// The application base: one object per process that is given the command
// line and starts the program in InitInstance.
#pragma once

#include <string>

class CDialogBase;

class CWinAppBase {
public:
    CWinAppBase();
    CWinAppBase(const CWinAppBase&) = delete;
    CWinAppBase& operator=(const CWinAppBase&) = delete;
    virtual ~CWinAppBase();

    // False ends the program without a message loop of the application's own.
    virtual bool InitInstance() = 0;
    // Gives the command-line text and runs InitInstance; the exit code.
    int Run(const std::string& commandLine);

    static CWinAppBase* Current();

    std::string m_strCmdLine;
    CDialogBase* m_pMainWnd = nullptr;
};

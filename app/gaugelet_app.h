// The application object: runs the meter window as the program's one dialog.
#pragma once

#include "app/win_app.h"

class CGaugeletApp : public CWinAppBase {
public:
    CGaugeletApp() = default;

    bool InitInstance() override;
};

#pragma once

#include <mfc/WinApp.h>

class CTarvikApp : public CWinApp {
public:
    CTarvikApp();
    ~CTarvikApp() override;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CTarvikApp theApp;

#pragma once

// Modal dialogs built from RT_DIALOG resources.

#include <mfc/Wnd.h>

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)

public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Creates the dialog from its template with this object as its CWnd,
    // runs it modally with the owner disabled, then destroys it through the
    // virtual DestroyWindow. Returns what EndDialog was given, or -1 when the
    // dialog could not be created.
    virtual INT_PTR DoModal();
    // Called on WM_INITDIALOG; TRUE lets the dialog manager set the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int nResult);

    // Commands that the dialog's maps do not answer go to the application.
    BOOL OnCmdMsg(UINT nID, int nCode) override;

protected:
    LPCWSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;
    UINT m_nIDHelp;

    DECLARE_MESSAGE_MAP()

private:
    INT_PTR m_nModalResult = -1;
    bool m_bContinueModal = false;
    void RunModalLoop();
};

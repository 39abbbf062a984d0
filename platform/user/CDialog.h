// The class library's dialog: built from a dialog template, run modally (DoModal, nested modal
// loops allowed) or modeless (Create), with data exchange binding controls to objects.
#pragma once

#include "platform/user/CWnd.h"
#include "platform/user/dialog_template.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    BOOL m_bFailed = FALSE;
};

// Attaches control to the dialog's item id on the first exchange.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog() = default;
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDHelp(templateId), m_pParentWnd(parent) {}
    explicit CDialog(LPCSTR templateName, CWnd* parent = nullptr);

    // The dialog's result (the value given to EndDialog), or -1 when the window could not be made.
    virtual INT_PTR DoModal();
    virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
    using CWnd::Create;
    // Ends the modal loop with the result; a modeless dialog is hidden.
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* msg) override;

    UINT m_nIDHelp = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Makes the dialog window and its controls from the template, then sends WM_INITDIALOG.
    BOOL CreateFromTemplate(UINT templateId, HWND parent);

    DECLARE_MESSAGE_MAP()
};

// The dialog of the class library's feature pack: a CDialog with the same behaviour here.
class CDialogEx : public CDialog {
    DECLARE_DYNAMIC(CDialogEx)
public:
    CDialogEx() = default;
    explicit CDialogEx(UINT templateId, CWnd* parent = nullptr) : CDialog(templateId, parent) {}

    DECLARE_MESSAGE_MAP()
};

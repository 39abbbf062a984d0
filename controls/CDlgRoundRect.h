// The base of the program's captionless, dark, skinned dialogs: a dialog with a thin border whose
// client area is filled dark blue and drags the window, with its caption in a grey title strip
// across the top and a close button drawn as an image. Escape does nothing.
#pragma once

#include "controls/CSignalLight.h"
#include "platform/user/CDialog.h"

class CDlgRoundRect : public CDialogEx {
    DECLARE_DYNAMIC(CDlgRoundRect)
public:
    static constexpr UINT kCloseId = 1000;
    static constexpr UINT kTitleId = 122443;

    CDlgRoundRect(UINT templateId, CWnd* parent);

    // The caption of the title strip; read when the window is created.
    void SetCaption(CString caption) { m_strCaption = caption; }
    virtual void Hide() { ShowWindow(SW_HIDE); }

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    CSignalLight m_lightTitle;
    CSignalLight m_lightClose;
    CString m_strCaption;

    int OnCreate(LPCREATESTRUCT cs);
    LRESULT OnNcHitTest(CPoint point);
    void OnPaint();

protected:
    DECLARE_MESSAGE_MAP()
};

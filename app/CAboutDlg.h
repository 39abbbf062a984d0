// The About box, shown from the main window's system menu.
#pragma once

#include "platform/user/CDialog.h"

inline constexpr UINT IDD_ABOUTBOX = 100;

class CAboutDlg : public CDialogEx {
public:
    CAboutDlg() : CDialogEx(IDD_ABOUTBOX) {}

    DECLARE_MESSAGE_MAP()
};

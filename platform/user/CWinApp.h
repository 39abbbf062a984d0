// The class library's application object: one per program, reached through AfxGetApp.
#pragma once

#include "platform/user/CWnd.h"

#define ID_HELP 0xE146u

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(LPCSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    // The message loop, used when InitInstance returns TRUE: until WM_QUIT.
    virtual int Run();
    void OnHelp() {}
    void SetRegistryKey(LPCSTR key) { m_strRegistryKey = key ? key : ""; }
    // A program icon by resource id (shared: never destroyed).
    HICON LoadIcon(UINT id) const { return ::LoadIcon(m_hInstance, MAKEINTRESOURCE(id)); }

    // The main window; forgotten (null) once it is destroyed.
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    DWORD m_dwRestartManagerSupportFlags = 0;
    CString m_strRegistryKey;
    CString m_strAppName;

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
// The program's start: InitInstance, then Run when it returned TRUE, then ExitInstance; the
// result is the exit code. From here on a write past the process's file-size limit fails (EFBIG)
// as a write to a full disk does, instead of ending the process.
int AfxWinMain();

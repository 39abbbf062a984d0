#include "platform/user/CWinApp.h"

#include <csignal>

namespace {
CWinApp* g_app = nullptr;
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR appName) : m_strAppName(appName)
{
    if (g_app == nullptr) g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this) g_app = nullptr;
}

int CWinApp::Run()
{
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        if (AfxPreTranslateTree(nullptr, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return static_cast<int>(msg.wParam);
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }
HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : nullptr; }

int AfxWinMain()
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return -1;
    // A Windows program meets a quota as a failed write; SIGXFSZ's default would end this one
    // with its files half written and its settings unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    int code = 0;
    if (app->InitInstance()) {
        code = app->Run();
    } else if (app->m_pMainWnd && ::IsWindow(app->m_pMainWnd->m_hWnd)) {
        app->m_pMainWnd->DestroyWindow();
    }
    int exitCode = app->ExitInstance();
    return code ? code : exitCode;
}

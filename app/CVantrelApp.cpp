#include "app/CVantrelApp.h"

#include "app/CVantrelDlg.h"
#include "controls/InitGdiplus.h"
#include "platform/crash/crash_reporter.h"
#include "platform/kernel/thread.h"
#include "platform/resources/resources.h"
#include "platform/sound/sound.h"
#include "platform/user/feature_pack.h"
#include "platform/user/termination_signals.h"

namespace {

constexpr DWORD kAlarmStartFlags = SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_LOOP;
constexpr DWORD kAlarmTickMs = 300;
constexpr int kAlarmStart = 10;
constexpr DWORD kCrashReportFlags = 0x809FFF;
constexpr DWORD kAllControlClasses = 0xFF;

// The crash reporter reads its install block for the whole run.
CRASH_INSTALL_INFO g_crashInstallInfo;

void InstallCrashReports()
{
    g_crashInstallInfo = CRASH_INSTALL_INFO{};
    g_crashInstallInfo.cb = sizeof(CRASH_INSTALL_INFO);
    g_crashInstallInfo.pszAppName = "Sorvane";
    g_crashInstallInfo.pszAppVersion = "1.0";
    g_crashInstallInfo.dwFlags |= kCrashReportFlags;
    g_crashInstallInfo.pszErrorReportSaveDir = "./errlog";
    if (InstallCrashReporter(&g_crashInstallInfo) != 0) AfxMessageBox("errlog failed.", MB_OK);
}

}  // namespace

CVantrelApp theApp;

BEGIN_MESSAGE_MAP(CVantrelApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CVantrelApp::CVantrelApp() : CWinApp(nullptr), CZelThreadWorker(nullptr, 1000)
{
    m_dwRestartManagerSupportFlags = 1;
    m_nAlarmCountdown = -1;
    m_nFlipMirror = 0;
    m_bVideoPlaying = 0;
    m_nLanguage = 0;
}

CVantrelApp::~CVantrelApp() { EndAlarmWorker(); }

BOOL CVantrelApp::InitInstance()
{
    // A logout or Ctrl+C from here on closes the main window as its close button does.
    TakeTerminationSignals();
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), kAllControlClasses};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    InstallCrashReports();
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    InitGdiplus();
    CTickerZel::Init();
    ThreadWorkerStart();

    AfxEnableControlContainer();
    auto* shellManager = new CShellManager;
    CMFCVisualManager::SetDefaultManager(RUNTIME_CLASS(CMFCVisualManagerWindows));
    SetRegistryKey("应用程序向导生成的本地应用程序");

    {
        CVantrelDlg dlg(nullptr);
        m_pMainWnd = &dlg;
        dlg.DoModal();
        delete shellManager;
        ControlBarCleanUp();
        if (m_pMainWnd == &dlg) m_pMainWnd = nullptr;
    }
    return FALSE;
}

int CVantrelApp::ExitInstance()
{
    // The sound ends with the window rather than with the process.
    EndAlarmWorker();
    ShutdownGdiplus();
    return CWinApp::ExitInstance();
}

DWORD CVantrelApp::ActionRun()
{
    for (;;) {
        int seen = m_nAlarmCountdown;
        if (seen == kAlarmStart)
            PlaySound(MAKEINTRESOURCE(IDR_WAVE_ALARM), AfxGetResourceHandle(), kAlarmStartFlags);
        const int c = seen > 0 ? seen - 1 : seen;
        // A countdown the paint or the owner set meanwhile is taken up at once, never overwritten
        // by this tick's step: a 0 that stops the sound must not be lost.
        if (!m_nAlarmCountdown.compare_exchange_strong(seen, c - 1)) continue;
        if (c == 0) PlaySound(nullptr, nullptr, SND_PURGE);
        if (WaitCmdExit(kAlarmTickMs)) return 3;
    }
}

void CVantrelApp::EndAlarmWorker()
{
    if (!ThreadWorkerStop()) WaitForSingleObject(m_evFinished, INFINITE);
    PlaySound(nullptr, nullptr, SND_PURGE);
}

CString GetUiFontName(int language)
{
    return language == 0 ? CString("微软雅黑") : CString("Tahoma");
}

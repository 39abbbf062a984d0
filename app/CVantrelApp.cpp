#include "app/CVantrelApp.h"

CVantrelApp theApp;

CVantrelApp::CVantrelApp()
{
    m_nAlarmCountdown = -1;
    m_nFlipMirror = 0;
    m_bVideoPlaying = 0;
    m_nLanguage = 0;
}

CVantrelApp::~CVantrelApp() = default;

CString GetUiFontName(int language)
{
    return language == 0 ? CString("微软雅黑") : CString("Tahoma");
}

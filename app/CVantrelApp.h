// The application object: the state that outlives the main window and that the workers, the
// views and the shell share; the program's start-up and exit; and, as a worker of its own, the
// loop that plays the over-temperature alarm sound.
#pragma once

#include <atomic>

#include "acquisition/CIRDataCapture.h"
#include "foundation/CAppSettings.h"
#include "foundation/CTickerZel.h"
#include "foundation/CZelThreadWorker.h"
#include "platform/kernel/CString.h"
#include "platform/user/CWinApp.h"

// The alarm sound: a WAVE resource.
inline constexpr UINT IDR_WAVE_ALARM = 138;

class CVantrelApp : public CWinApp, public CZelThreadWorker {
public:
    CVantrelApp();
    // Ends the alarm worker before the members go; then the capture worker and the settings,
    // which save themselves.
    ~CVantrelApp() override;
    CVantrelApp(const CVantrelApp&) = delete;
    CVantrelApp& operator=(const CVantrelApp&) = delete;

    // The whole run: start-up, the main window run modally, clean-up. FALSE, so that the class
    // library runs no message loop of its own and the program ends with the main window.
    BOOL InitInstance() override;
    int ExitInstance() override;
    // The alarm-sound loop, one tick every 300 ms; 3 when stopped.
    DWORD ActionRun() override;

    // In this order: the colour map of the capture worker converts its first range with the
    // loaded calibration settings.
    CTickerZel m_stopwatch;
    CAppSettings m_settings;
    // Words shared between threads without a lock, each read and written whole.
    std::atomic<int> m_nAlarmCountdown;  // -1 until the first paint finds a region over the threshold
    std::atomic<int> m_nFlipMirror;      // bit 0 mirror horizontally, bit 1 flip vertically
    std::atomic<int> m_bVideoPlaying;    // 1 while the playback decodes frames
    CIRDataCapture m_capture;
    int m_nLanguage;  // 0 Chinese, 1 English

private:
    // Stops the alarm loop, waiting for its thread however long it takes, and silences the sound.
    void EndAlarmWorker();

    DECLARE_MESSAGE_MAP()
};

extern CVantrelApp theApp;

// The interface font face of a language: "微软雅黑" for 0, "Tahoma" for any other value.
CString GetUiFontName(int language);

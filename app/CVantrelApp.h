// The application object: the state that outlives the main window and that the workers, the
// views and the shell share. Its bases, start-up, alarm-sound worker and exit are added here
// with the application's start-up.
#pragma once

#include <atomic>

#include "acquisition/CIRDataCapture.h"
#include "foundation/CAppSettings.h"
#include "foundation/CTickerZel.h"
#include "platform/kernel/CString.h"

class CVantrelApp {
public:
    CVantrelApp();
    ~CVantrelApp();
    CVantrelApp(const CVantrelApp&) = delete;
    CVantrelApp& operator=(const CVantrelApp&) = delete;

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
};

extern CVantrelApp theApp;

// The interface font face of a language: "微软雅黑" for 0, "Tahoma" for any other value.
CString GetUiFontName(int language);

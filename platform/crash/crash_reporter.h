// The crash reporter: once installed, a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT)
// writes a report into the report folder before the process ends as the signal would end it.
// A report is one text file, crash_<UTC date>_<UTC time>_<pid>.txt, with the application's name
// and version, the signal, the faulting address, the time and a backtrace of the thread that
// faulted.
#pragma once

#include "platform/kernel/win_types.h"

// The install-info block: its fields in the order and with the meaning the installer reads them;
// fields the program does not set stay zero.
struct CRASH_INSTALL_INFO {
    WORD cb;                       // sizeof(CRASH_INSTALL_INFO)
    LPCSTR pszAppName;             // may be NULL: the report then names no application
    LPCSTR pszAppVersion;          // may be NULL
    DWORD dwFlags;                 // which faults to report; every fatal signal is reported here
    LPCSTR pszErrorReportSaveDir;  // the report folder, made if missing; relative to the current
                                   // folder at install time
};
using PCRASH_INSTALL_INFO = CRASH_INSTALL_INFO*;

// 0 when installed. Non-zero for a missing block, a block whose cb is not its size, a missing or
// empty report folder, a folder that cannot be made, or a second install.
int InstallCrashReporter(const CRASH_INSTALL_INFO* info);

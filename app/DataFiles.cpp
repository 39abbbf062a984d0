#include "app/DataFiles.h"

#include "platform/files/files.h"
#include "platform/kernel/thread.h"

CString DataFileName(const SYSTEMTIME& time, const char* extension)
{
    CString name;
    name.Format("%.4d%.2d%.2d_%.2d%.2d%.2d_%.3d%s", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                time.wSecond, time.wMilliseconds, extension);
    return name;
}

CString NewDataFilePath(const char* extension)
{
    const CString folder = platform::files::DataFolder();
    if (!PathFileExists(folder)) CreateDirectoryA(folder, nullptr);
    for (;;) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        const CString path = folder + DataFileName(now, extension);
        if (!PathFileExists(path)) return path;
        Sleep(1);
    }
}

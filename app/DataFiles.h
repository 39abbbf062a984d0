// Where snapshots and recordings are saved: the data folder, with file names made from the local
// time, "20240303_090503_007.ir" for 3 March 2024 at 09:05:03.007.
#pragma once

#include "platform/kernel/CString.h"
#include "platform/kernel/clock.h"

// The name of a file saved at that local time, with its extension (".ir" or ".avi").
CString DataFileName(const SYSTEMTIME& time, const char* extension);

// The full path of a new file in the data folder, named from the local time. The folder is made
// when it is missing (one level). A name that is taken already is never handed out again: the time
// is read anew until the name is free, so a second file of the same millisecond replaces nothing.
CString NewDataFilePath(const char* extension);

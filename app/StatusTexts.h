// The texts of the main window's status light and leakage caption, in both languages (0 Chinese,
// any other value English).
#pragma once

#include "platform/kernel/CString.h"

// The status text of a tip code (3 terminated, 5 camera not connected, 6 connected, 7
// disconnected); null for the codes that have none.
LPCSTR TipStatusText(int tipCode, int language);

// The status text of a calibration or factory-reset notification (codes 0 to 3, with its lParam);
// Chinese in both languages. Empty for other codes.
CString NotifyStatusText(int code, LPARAM param);

// What the status light says when a snapshot or a recording could not be saved.
LPCSTR SnapshotFailedText(int language);
LPCSTR RecordingFailedText(int language);

// The caption above the colour-mode button.
LPCSTR LeakageCaption(int language);

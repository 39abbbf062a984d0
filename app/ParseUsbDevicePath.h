// Reads a USB device-interface path of the form \\?\USB#VID_0BDA&PID_5840#<serial>#{class}.
#pragma once

#include "platform/kernel/CString.h"

// 1 when the path's vendor and product parts equal vid and pid (ignoring case), with its serial
// part stored in serial (empty when no '#' follows it); 0 otherwise, serial unchanged.
int ParseUsbDevicePath(CString path, CString vid, CString pid, CString& serial);

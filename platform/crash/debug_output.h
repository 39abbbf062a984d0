// Debugger output: the text goes to the standard error stream, as one write.
#pragma once

#include "platform/kernel/win_types.h"

void OutputDebugStringA(LPCSTR text);  // NULL writes nothing
#define OutputDebugString OutputDebugStringA

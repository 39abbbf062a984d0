// The kernel concern of the layer: types, status codes, synchronisation, threads, time and strings.
#pragma once

#include "platform/kernel/CString.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"
#include "platform/kernel/win_errors.h"
#include "platform/kernel/win_types.h"

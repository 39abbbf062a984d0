// The toolbar's captions in both languages, indexed language x 48 + variant x 24 + button
// (language and variant 0 or 1, button 0 to 23). Only variant 0 is shown; variant 1 differs only
// in the Chinese caption of button 7.
#pragma once

#include "platform/kernel/CString.h"

inline constexpr int kToolbarButtons = 24;
inline constexpr int kToolbarTextCount = 96;

extern const CString g_strToolbarText[kToolbarTextCount];

// The variant-0 caption of a toolbar button; any language other than 0 gives the English one.
const CString& ToolbarCaption(int language, int button);

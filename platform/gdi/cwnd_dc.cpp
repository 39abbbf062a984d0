// The window class's device contexts, which the drawing layer provides.
#include "platform/gdi/gdi.h"
#include "platform/user/CWnd.h"

CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }

// Windows of this layer draw no frame of their own, so the window DC is the client DC.
CDC* CWnd::GetWindowDC() { return GetDC(); }

int CWnd::ReleaseDC(CDC* dc) { return dc ? ::ReleaseDC(m_hWnd, dc->m_hDC) : 0; }

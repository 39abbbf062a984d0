// Starting and ending GDI+ around the application: before any window exists, and after every
// window is gone.
#pragma once

// Starts GDI+ (version 1, its own background thread and codecs) and keeps its token; returns 1
// whatever GDI+ answers, since a failed start only makes later drawing fail silently.
int InitGdiplus();
// Ends the start-up of InitGdiplus.
void ShutdownGdiplus();

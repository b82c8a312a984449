#pragma once

#include <X11/Xlib.h>

// Xlib's error handler is one per process. The editor installs a handler once that
// records and ignores errors on displays it registered (the editor's own connections)
// and passes every other error to the handler that was there before, so a host's own
// error handling keeps working.
void X11WatchDisplay(Display* display);
void X11ForgetDisplay(Display* display);
// Errors recorded on display since it was registered.
int X11ErrorCount(Display* display);

#pragma once

// What the Win32 window layer holds of Windows' objects, counted by the layer itself as
// it creates and releases them: the numbers return to zero once every editor is closed
// and destroyed, which a test can check where the system does not count for it (Wine
// reports no GDI object counts). Process-wide; the window layer runs on the UI thread.
enum class Win32Object
{
  kBitmap,        // DIB sections
  kDeviceContext, // memory device contexts and window or screen DCs taken with GetDC
  kFont,
  kRegion,
  kWindow,        // editor windows and text fields
  kTimer,
  kCount
};

// Records one object of the kind created (or acquired) and released.
void Win32LedgerCreated(Win32Object kind);
void Win32LedgerReleased(Win32Object kind);
// How many of the kind the layer holds now.
int Win32ObjectsHeld(Win32Object kind);

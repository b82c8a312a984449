#pragma once

// A window layer whose events are served by the host's run loop rather than a loop of its
// own: the host binding registers EventDescriptor() with the host and calls
// ProcessEvents() when it is readable and TimerTick() every TimerPeriodMs() milliseconds.
// All on the host's UI thread.
class IEditorEventSource
{
public:
  virtual ~IEditorEventSource() = default;
  // [UI thread] The descriptor to watch while the window is open; -1 without a window.
  virtual int EventDescriptor() const = 0;
  // [UI thread] Handles every event that has arrived; never blocks.
  virtual void ProcessEvents() = 0;
  // [UI thread] One step of the editor's timer.
  virtual void TimerTick() = 0;
  virtual int TimerPeriodMs() const = 0;
};

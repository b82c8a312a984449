#pragma once

#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/ILinuxRunLoop.h"

class IEditorEventSource;

// Serves an editor window's events and timer from the host's run loop (Linux hosts):
// while connected, the host calls the editor when its descriptor is readable and on the
// editor's timer. The handlers the host holds outlive the link if the host keeps them;
// after Disconnect they do nothing. UI thread only.
class EditorRunLoopLink
{
public:
  EditorRunLoopLink();
  ~EditorRunLoopLink();
  EditorRunLoopLink(const EditorRunLoopLink&) = delete;
  EditorRunLoopLink& operator=(const EditorRunLoopLink&) = delete;

  // Registers the descriptor handler and the timer with runLoop. False, with nothing left
  // registered, when the run loop refuses either.
  bool Connect(Steinberg::Linux::IRunLoop* runLoop, IEditorEventSource& editor);
  // Unregisters both; nothing when not connected.
  void Disconnect();
  bool Connected() const { return mRunLoop.get() != nullptr; }

private:
  class Handler;
  Steinberg::IPtr<Steinberg::Linux::IRunLoop> mRunLoop;
  Steinberg::IPtr<Handler> mHandler;
};

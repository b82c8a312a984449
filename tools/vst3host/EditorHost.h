#pragma once

#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/IEditController.h"
#include "vst3/sdk/interfaces/IPlugView.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vst3host
{
// What a Linux host does for a plug-in's editor: a top-level X11 window of the view's
// size, an IPlugFrame that answers IRunLoop (descriptors polled, timers run) and resizes
// the window on resizeView, and the host call order (createView, getSize,
// isPlatformTypeSupported, setFrame, attached ... setFrame(null), removed, release).
// Runs everything on the calling thread, which is the editor's UI thread.
class EditorHost
{
public:
  struct Options
  {
    bool offerRunLoop = true; // false: a frame without IRunLoop, as some hosts have
  };

  // Opens the controller's editor under the current DISPLAY. On failure the reason is in
  // error and nothing is left open.
  static std::unique_ptr<EditorHost> open(Steinberg::Vst::IEditController& controller, std::string& error,
                                          Options options);
  static std::unique_ptr<EditorHost> open(Steinberg::Vst::IEditController& controller, std::string& error)
  {
    return open(controller, error, Options{});
  }
  ~EditorHost(); // closes: removed, release, window destroyed
  EditorHost(const EditorHost&) = delete;
  EditorHost& operator=(const EditorHost&) = delete;

  // Runs the run loop for duration: the plug-in's descriptors and timers are served.
  void run(std::chrono::milliseconds duration);
  // Runs until done() answers true or timeout passes; answers done().
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  std::uint32_t topLevelWindow() const;
  // Destroys the top-level window (with the plug-in's child) while the view stays
  // attached: what a host closing its window before removing the view does.
  void destroyTopLevelWindow();
  // The plug-in's child window inside the top-level one (0 when there is none).
  std::uint32_t pluginWindow() const;
  int width() const;
  int height() const;
  // Handlers and timers the plug-in has registered and not unregistered.
  int registeredHandlers() const;
  int registeredTimers() const;
  // Writes what the X server shows in the top-level window as a PNG; false on failure.
  bool writeScreenshot(const std::string& path) const;
  // The window's pixels as 0x00RRGGBB, row by row (width() x height()).
  bool capturePixels(std::vector<std::uint32_t>& pixels) const;

  struct Impl;

private:
  explicit EditorHost(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> mImpl;
};

} // namespace vst3host

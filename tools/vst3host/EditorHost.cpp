#include "tools/vst3host/EditorHost.h"

#include "vst3/sdk/helpers/FObject.h"
#include "vst3/sdk/interfaces/ILinuxRunLoop.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <poll.h>

#include <algorithm>
#include <vector>

using namespace Steinberg;

namespace vst3host
{
namespace
{
using Clock = std::chrono::steady_clock;

// The host's frame: resizes the top-level window and serves the plug-in's handlers.
class Frame final : public FObject, public IPlugFrame, public Linux::IRunLoop
{
public:
  Frame(Display* display, Window window, bool offerRunLoop)
      : mDisplay(display), mWindow(window), mOfferRunLoop(offerRunLoop)
  {
  }

  tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override
  {
    if (view == nullptr || newSize == nullptr)
      return kInvalidArgument;
    const int w = newSize->right - newSize->left, h = newSize->bottom - newSize->top;
    if (w <= 0 || h <= 0)
      return kInvalidArgument;
    XResizeWindow(mDisplay, mWindow, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XFlush(mDisplay);
    return view->onSize(newSize);
  }

  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd) override
  {
    if (handler == nullptr || fd < 0)
      return kInvalidArgument;
    mHandlers.push_back({IPtr<Linux::IEventHandler>(handler), fd});
    return kResultOk;
  }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override
  {
    const auto before = mHandlers.size();
    std::erase_if(mHandlers, [handler](const auto& entry) { return entry.handler.get() == handler; });
    return mHandlers.size() != before ? kResultOk : kInvalidArgument;
  }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds) override
  {
    if (handler == nullptr || milliseconds == 0)
      return kInvalidArgument;
    const auto period = std::chrono::milliseconds(milliseconds);
    mTimers.push_back({IPtr<Linux::ITimerHandler>(handler), period, Clock::now() + period});
    return kResultOk;
  }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override
  {
    const auto before = mTimers.size();
    std::erase_if(mTimers, [handler](const auto& entry) { return entry.handler.get() == handler; });
    return mTimers.size() != before ? kResultOk : kInvalidArgument;
  }

  // One pass of the loop: waits at most until the next timer (or until deadline) for a
  // readable descriptor, then serves what is due.
  void runOnce(Clock::time_point deadline)
  {
    Clock::time_point wake = deadline;
    for (const auto& timer : mTimers)
      wake = std::min(wake, timer.due);
    std::vector<pollfd> fds;
    for (const auto& entry : mHandlers)
      fds.push_back({entry.fd, POLLIN, 0});
    const auto waitMs = std::max<long long>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(wake - Clock::now()).count());
    if (poll(fds.data(), fds.size(), static_cast<int>(std::min<long long>(waitMs, 1000))) > 0)
    {
      for (const pollfd& fd : fds)
        if (fd.revents & (POLLIN | POLLHUP | POLLERR))
        {
          // The handler may unregister itself (or others) while it runs.
          auto found = std::find_if(mHandlers.begin(), mHandlers.end(),
                                    [&fd](const auto& entry) { return entry.fd == fd.fd; });
          if (found != mHandlers.end())
          {
            IPtr<Linux::IEventHandler> handler = found->handler;
            handler->onFDIsSet(fd.fd);
          }
        }
    }
    const auto now = Clock::now();
    for (std::size_t i = 0; i < mTimers.size(); ++i)
      if (mTimers[i].due <= now)
      {
        mTimers[i].due = now + mTimers[i].period;
        IPtr<Linux::ITimerHandler> handler = mTimers[i].handler;
        handler->onTimer();
      }
    // The host's own window events (the top-level window) are drained.
    while (XPending(mDisplay) > 0)
    {
      XEvent event;
      XNextEvent(mDisplay, &event);
    }
  }

  int handlerCount() const { return static_cast<int>(mHandlers.size()); }
  int timerCount() const { return static_cast<int>(mTimers.size()); }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (answerAs<IPlugFrame>(this, iid, obj))
      return kResultOk;
    if (mOfferRunLoop && answerAs<Linux::IRunLoop>(this, iid, obj))
      return kResultOk;
    return FObject::queryInterface(iid, obj);
  }
  VST3SDK_REFCOUNT_METHODS(FObject)

private:
  struct HandlerEntry
  {
    IPtr<Linux::IEventHandler> handler;
    int fd;
  };
  struct TimerEntry
  {
    IPtr<Linux::ITimerHandler> handler;
    std::chrono::milliseconds period;
    Clock::time_point due;
  };
  Display* mDisplay;
  Window mWindow;
  bool mOfferRunLoop;
  std::vector<HandlerEntry> mHandlers;
  std::vector<TimerEntry> mTimers;
};
} // namespace

struct EditorHost::Impl
{
  Display* display = nullptr;
  Window window = 0;
  IPtr<IPlugView> view;
  IPtr<Frame> frame;
  bool attached = false;
  int width = 0;
  int height = 0;

  ~Impl()
  {
    if (view)
    {
      view->setFrame(nullptr);
      if (attached)
        view->removed();
      view = nullptr;
    }
    frame = nullptr;
    if (display != nullptr)
    {
      if (window != 0)
        XDestroyWindow(display, window);
      XCloseDisplay(display);
    }
  }
};

EditorHost::EditorHost(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}
EditorHost::~EditorHost() = default;

std::unique_ptr<EditorHost> EditorHost::open(Vst::IEditController& controller, std::string& error, Options options)
{
  auto impl = std::make_unique<Impl>();
  impl->display = XOpenDisplay(nullptr);
  if (impl->display == nullptr)
  {
    error = "cannot open the X display (is DISPLAY set?)";
    return nullptr;
  }
  impl->view = IPtr<IPlugView>::adopt(controller.createView("editor"));
  if (!impl->view)
  {
    error = "the plug-in has no editor view";
    return nullptr;
  }
  ViewRect size{};
  if (impl->view->getSize(&size) != kResultTrue || size.right - size.left <= 0 || size.bottom - size.top <= 0)
  {
    error = "the view reports no size";
    return nullptr;
  }
  if (impl->view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue)
  {
    error = "the view does not embed in X11 windows";
    return nullptr;
  }
  impl->width = size.right - size.left;
  impl->height = size.bottom - size.top;
  const int screen = DefaultScreen(impl->display);
  impl->window = XCreateSimpleWindow(impl->display, RootWindow(impl->display, screen), 0, 0,
                                     static_cast<unsigned>(impl->width), static_cast<unsigned>(impl->height), 0, 0,
                                     BlackPixel(impl->display, screen));
  XStoreName(impl->display, impl->window, "TavrikQuenmark");
  XMapWindow(impl->display, impl->window);
  XSync(impl->display, False);
  impl->frame = IPtr<Frame>::adopt(new Frame(impl->display, impl->window, options.offerRunLoop));
  impl->view->setFrame(impl->frame.get());
  const tresult attached = impl->view->attached(reinterpret_cast<void*>(static_cast<std::uintptr_t>(impl->window)),
                                                kPlatformTypeX11EmbedWindowID);
  if (attached != kResultTrue)
  {
    error = "the view refused to attach";
    return nullptr;
  }
  impl->attached = true;
  return std::unique_ptr<EditorHost>(new EditorHost(std::move(impl)));
}

void EditorHost::run(std::chrono::milliseconds duration)
{
  const auto deadline = Clock::now() + duration;
  while (Clock::now() < deadline)
    mImpl->frame->runOnce(deadline);
}

bool EditorHost::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
  const auto deadline = Clock::now() + timeout;
  while (!done())
  {
    if (Clock::now() >= deadline)
      return false;
    mImpl->frame->runOnce(std::min(deadline, Clock::now() + std::chrono::milliseconds(20)));
  }
  return true;
}

std::uint32_t EditorHost::topLevelWindow() const
{
  return static_cast<std::uint32_t>(mImpl->window);
}

void EditorHost::destroyTopLevelWindow()
{
  if (mImpl->window == 0)
    return;
  XDestroyWindow(mImpl->display, mImpl->window);
  XSync(mImpl->display, False);
  mImpl->window = 0;
}

std::uint32_t EditorHost::pluginWindow() const
{
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  std::uint32_t child = 0;
  if (mImpl->window != 0 && XQueryTree(mImpl->display, mImpl->window, &root, &parent, &children, &count) != 0 && children != nullptr)
  {
    if (count > 0)
      child = static_cast<std::uint32_t>(children[0]);
    XFree(children);
  }
  return child;
}

int EditorHost::width() const { return mImpl->width; }
int EditorHost::height() const { return mImpl->height; }
int EditorHost::registeredHandlers() const { return mImpl->frame->handlerCount(); }
int EditorHost::registeredTimers() const { return mImpl->frame->timerCount(); }

bool EditorHost::capturePixels(std::vector<std::uint32_t>& pixels) const
{
  if (mImpl->window == 0)
    return false;
  XSync(mImpl->display, False);
  XImage* image = XGetImage(mImpl->display, mImpl->window, 0, 0, static_cast<unsigned>(mImpl->width),
                            static_cast<unsigned>(mImpl->height), AllPlanes, ZPixmap);
  if (image == nullptr)
    return false;
  pixels.resize(static_cast<std::size_t>(mImpl->width) * static_cast<std::size_t>(mImpl->height));
  for (int y = 0; y < mImpl->height; ++y)
    for (int x = 0; x < mImpl->width; ++x)
      pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(mImpl->width) + static_cast<std::size_t>(x)] =
          static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xffffffu;
  XDestroyImage(image);
  return true;
}

bool EditorHost::writeScreenshot(const std::string& path) const
{
  std::vector<std::uint32_t> pixels;
  if (!capturePixels(pixels))
    return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, mImpl->width, mImpl->height);
  auto* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < mImpl->height; ++y)
    std::copy_n(pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(mImpl->width), mImpl->width,
                reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride));
  cairo_surface_mark_dirty(surface);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}
} // namespace vst3host

// The view base: size bookkeeping, attach / remove with hooks, and the host frame.

#include "vst3/sdk/helpers/CPluginView.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Steinberg;

namespace
{
class X11View : public CPluginView
{
public:
  using CPluginView::CPluginView;
  int attachedCalls = 0;
  int removedCalls = 0;

  tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override
  {
    return type && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultTrue : kResultFalse;
  }

protected:
  void attachedToParent() override { ++attachedCalls; }
  void removedFromParent() override { ++removedCalls; }
};

class Frame : public FObject, public IPlugFrame
{
public:
  tresult PLUGIN_API resizeView(IPlugView*, ViewRect*) override { return kResultTrue; }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (answerAs<IPlugFrame>(this, iid, obj))
      return kResultOk;
    return FObject::queryInterface(iid, obj);
  }
  VST3SDK_REFCOUNT_METHODS(FObject)
};
} // namespace

TEST(CPluginView, KeepsTheRectangleItIsGiven)
{
  const ViewRect initial{0, 0, 300, 280};
  auto view = IPtr<CPluginView>::adopt(new CPluginView(&initial));
  ViewRect size{};
  ASSERT_EQ(view->getSize(&size), kResultTrue);
  EXPECT_EQ(size.right, 300);
  EXPECT_EQ(size.bottom, 280);
  ViewRect resized{10, 20, 110, 220};
  EXPECT_EQ(view->onSize(&resized), kResultTrue);
  ASSERT_EQ(view->getSize(&size), kResultTrue);
  EXPECT_EQ(std::memcmp(&size, &resized, sizeof(ViewRect)), 0);
  EXPECT_EQ(view->getSize(nullptr), kInvalidArgument);
  EXPECT_EQ(view->onSize(nullptr), kInvalidArgument);

  auto empty = IPtr<CPluginView>::adopt(new CPluginView);
  ASSERT_EQ(empty->getSize(&size), kResultTrue);
  EXPECT_EQ(size.right - size.left, 0);

  void* obj = nullptr;
  ASSERT_EQ(empty->queryInterface(IPlugView::iid, &obj), kResultOk);
  EXPECT_EQ(obj, static_cast<IPlugView*>(empty.get()));
  static_cast<IPlugView*>(obj)->release();
}

TEST(CPluginView, AttachesOnlyToSupportedWindowSystems)
{
  auto view = IPtr<X11View>::adopt(new X11View);
  int window = 0;
  EXPECT_EQ(view->attached(&window, kPlatformTypeHWND), kResultFalse);
  EXPECT_FALSE(view->isAttached());
  EXPECT_EQ(view->attached(nullptr, kPlatformTypeX11EmbedWindowID), kInvalidArgument);
  EXPECT_EQ(view->attachedCalls, 0);

  ASSERT_EQ(view->attached(&window, kPlatformTypeX11EmbedWindowID), kResultOk);
  EXPECT_EQ(view->getSystemWindow(), &window);
  EXPECT_EQ(view->attachedCalls, 1);
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_FALSE(view->isAttached());
  EXPECT_EQ(view->removedCalls, 1);

  // The base class supports nothing until told otherwise.
  auto base = IPtr<CPluginView>::adopt(new CPluginView);
  EXPECT_EQ(base->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultFalse);
  EXPECT_EQ(base->attached(&window, kPlatformTypeX11EmbedWindowID), kResultFalse);
}

TEST(CPluginView, HoldsTheFrameUntilItIsCleared)
{
  auto view = IPtr<CPluginView>::adopt(new CPluginView);
  auto frame = IPtr<Frame>::adopt(new Frame);
  EXPECT_EQ(view->setFrame(frame.get()), kResultTrue);
  EXPECT_EQ(frame->refCount(), 2u);
  EXPECT_EQ(view->getFrame(), frame.get());
  EXPECT_EQ(view->setFrame(nullptr), kResultTrue);
  EXPECT_EQ(frame->refCount(), 1u);

  view->setFrame(frame.get());
  view.reset(); // the view's last release gives the frame back
  EXPECT_EQ(frame->refCount(), 1u);
}

// The editor view as far as it goes without a window, and the side-chain bus, on a small
// plug-in built directly on the binding so its hooks can be watched.

#include "Vst3Host.h"

#include "vst3/sdk/interfaces/ILinuxRunLoop.h"
#include "vst3/sdk/interfaces/SpeakerArrangement.h"

#include "WDL/IPlug/IEditorEventSource.h"
#include "WDL/IPlug/IGraphicsHeadless.h"

using namespace vst3test;

namespace
{
// Two parameters, "2-2 4-2" with a stereo side-chain; records the hooks the view runs
// and what the side-chain channels carried.
class HookPlug final : public IPlugVST3
{
public:
  HookPlug() : IPlugVST3(2, "2-2 4-2", 1, "Hooks", "", "Tests", 0x00010000, 1, 2, 0, false, true, false, 2)
  {
    ParamAt(0)->InitContinuous("Level", 0.0, -10.0, 10.0, 0.1);
    ParamAt(1)->InitBoolean("Switch", false);
    CreateDefaultPresets("-", 1);
  }
  void EditorOpened() override { hooks += "opened "; }
  void EditorClosed() override { hooks += "closed "; }
  void EditorResized() override { hooks += "resized "; }
  void ProcessAudio(double** inputs, double** outputs, int frames) override
  {
    if (frames > 0)
      sideChainSample = inputs[2][0];
    IPlugVST3::ProcessAudio(inputs, outputs, frames);
  }

  std::string hooks;
  double sideChainSample = -1.0;
};

class Frame : public FObject, public IPlugFrame
{
public:
  tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* size) override
  {
    requested = *size;
    return view->onSize(size); // as hosts do, in the same call
  }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (answerAs<IPlugFrame>(this, iid, obj))
      return kResultOk;
    return FObject::queryInterface(iid, obj);
  }
  VST3SDK_REFCOUNT_METHODS(FObject)

  ViewRect requested{};
};

// An editor that embeds in X11 windows and is served by the host's run loop, as the X11
// layer is; it notes the parent it shows in. A parent holding 0 cannot take a window.
class EmbeddedEditor final : public IGraphicsHeadless, public IEditorEventSource
{
public:
  explicit EmbeddedEditor(IPlugBase* plug) : IGraphicsHeadless(plug, 300, 280, 0) {}
  EWindowSystem WindowSystem() const override { return kWindowSystemX11; }
  void* OpenEditorWindow(void* parent) override
  {
    CloseEditorWindow();
    if (*static_cast<int*>(parent) == 0)
      return nullptr;
    shownIn = parent;
    return IGraphicsHeadless::OpenEditorWindow(parent);
  }
  void CloseEditorWindow() override
  {
    shownIn = nullptr;
    IGraphicsHeadless::CloseEditorWindow();
  }
  int EventDescriptor() const override { return HasWindow() ? 0 : -1; }
  void ProcessEvents() override {}
  void TimerTick() override {}
  int TimerPeriodMs() const override { return 33; }

  void* shownIn = nullptr;
};

// A host frame with a run loop that takes (or refuses) the editor's handlers.
class LoopFrame : public Frame, public Linux::IRunLoop
{
public:
  explicit LoopFrame(bool refuses = false) : mRefuses(refuses) {}
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler*, Linux::FileDescriptor) override
  {
    handlers += mRefuses ? 0 : 1;
    return mRefuses ? kResultFalse : kResultOk;
  }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler*) override
  {
    --handlers;
    return kResultOk;
  }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler*, Linux::TimerInterval) override { return kResultOk; }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler*) override { return kResultOk; }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (answerAs<Linux::IRunLoop>(this, iid, obj))
      return kResultOk;
    return Frame::queryInterface(iid, obj);
  }
  VST3SDK_REFCOUNT_METHODS(Frame)

  int handlers = 0;

private:
  bool mRefuses;
};

TEST(Vst3View, OnlyTheExactNameMakesAViewAndViewsComeAndGoWithTheList)
{
  Instance i;
  EXPECT_EQ(i->createView(nullptr), nullptr);
  EXPECT_EQ(i->createView("Editor"), nullptr);
  EXPECT_EQ(i->createView("editor2"), nullptr);
  const uint32 references = i->refCount();
  auto view = IPtr<IPlugView>::adopt(i->createView("editor"));
  ASSERT_TRUE(view);
  EXPECT_EQ(i->ViewCount(), 1);
  EXPECT_EQ(i->refCount(), references + 1) << "the view holds the plug-in";

  // The product's editor draws into memory only: no platform type is claimed, so hosts
  // show their own parameter editor, yet the view answers every call.
  int dummyParent = 0;
  EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultFalse);
  EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
  EXPECT_EQ(view->attached(&dummyParent, kPlatformTypeX11EmbedWindowID), kResultTrue);
  EXPECT_FALSE(i->GetGUI()->HasWindow()) << "no window for a type the editor has no layer for";
  ViewRect size{1, 2, 3, 4};
  EXPECT_EQ(view->getSize(&size), kResultTrue);
  EXPECT_EQ(size.left, 0);
  EXPECT_EQ(size.right, 300);
  EXPECT_EQ(size.bottom, 280);
  EXPECT_EQ(view->getSize(nullptr), kInvalidArgument);
  EXPECT_EQ(view->canResize(), kResultFalse);
  EXPECT_EQ(view->onSize(nullptr), kResultTrue);
  ViewRect stored{0, 0, 300, 280};
  EXPECT_EQ(view->onSize(&stored), kResultTrue);
  EXPECT_EQ(i->ViewAt(0)->getRect().right, 300);
  EXPECT_EQ(view->removed(), kResultOk);

  view = {};
  EXPECT_EQ(i->ViewCount(), 0);
  EXPECT_EQ(i->refCount(), references);

  // Views outliving terminate are dropped from the list there and released safely later.
  view = IPtr<IPlugView>::adopt(i->createView("editor"));
  i->terminate();
  EXPECT_EQ(i->ViewCount(), 0);
  view = {};
  EXPECT_EQ(i->refCount(), references);
  EXPECT_EQ(i->initialize(i.host->unknown()), kResultOk);
}

TEST(Vst3View, WithAnEditorTheHooksRunAndResizeRequestsEndInEditorResized)
{
  auto plug = IPtr<HookPlug>::adopt(new HookPlug);
  auto host = IPtr<HostApplication>::adopt(new HostApplication);
  ASSERT_EQ(plug->initialize(host->unknown()), kResultOk);
  plug->ResizeEditor(10, 10); // no view yet: nothing
  EXPECT_EQ(plug->createView("editor"), nullptr) << "no editor, no view";
  auto* editor = new IGraphicsHeadless(plug.get(), 400, 300, 0, 1.5);
  plug->AttachEditor(editor);
  auto view = IPtr<IPlugView>::adopt(plug->createView("editor"));
  int dummyParent = 0;
  EXPECT_EQ(view->attached(&dummyParent, kPlatformTypeX11EmbedWindowID), kResultTrue);
  ViewRect size{};
  EXPECT_EQ(view->getSize(&size), kResultTrue);
  EXPECT_EQ(size.right, 600) << "units times the display scale";
  EXPECT_EQ(size.bottom, 450);
  editor->OpenEditorWindow(nullptr);
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_FALSE(editor->HasWindow()) << "removing the view closes the editor's window";
  EXPECT_EQ(plug->hooks, "opened closed ");

  plug->ResizeEditor(400, 300); // no frame: nothing
  auto frame = IPtr<Frame>::adopt(new Frame);
  view->setFrame(frame.get());
  ViewRect unasked{0, 0, 5, 5};
  view->onSize(&unasked);
  EXPECT_EQ(plug->hooks, "opened closed ") << "an onSize the plug-in did not ask for only stores the size";
  plug->ResizeEditor(400, 300);
  EXPECT_EQ(frame->requested.right, 400);
  EXPECT_EQ(frame->requested.bottom, 300);
  EXPECT_EQ(plug->hooks, "opened closed resized ");
  EXPECT_FALSE(plug->ViewAt(0)->ExpectingNewSize());
  view->setFrame(nullptr);
  view = {};
  plug->terminate();
}

TEST(Vst3View, AnAttachThatFailsLeavesTheEditorWhereItWas)
{
  auto plug = IPtr<HookPlug>::adopt(new HookPlug);
  auto host = IPtr<HostApplication>::adopt(new HostApplication);
  ASSERT_EQ(plug->initialize(host->unknown()), kResultOk);
  auto* editor = new EmbeddedEditor(plug.get());
  plug->AttachEditor(editor);
  auto firstFrame = IPtr<LoopFrame>::adopt(new LoopFrame);
  auto secondFrame = IPtr<LoopFrame>::adopt(new LoopFrame);
  auto refusingFrame = IPtr<LoopFrame>::adopt(new LoopFrame(true));
  int firstParent = 1, secondParent = 2, unusableParent = 0;

  auto first = IPtr<IPlugView>::adopt(plug->createView("editor"));
  first->setFrame(firstFrame.get());
  ASSERT_EQ(first->attached(&firstParent, kPlatformTypeX11EmbedWindowID), kResultTrue);
  EXPECT_EQ(editor->shownIn, &firstParent);
  EXPECT_EQ(firstFrame->handlers, 1);

  // A second view of the same instance whose window cannot be made, or whose host's run
  // loop refuses it, is refused; the first view keeps showing the editor.
  auto second = IPtr<IPlugView>::adopt(plug->createView("editor"));
  second->setFrame(secondFrame.get());
  EXPECT_EQ(second->attached(&unusableParent, kPlatformTypeX11EmbedWindowID), kResultFalse);
  EXPECT_EQ(editor->shownIn, &firstParent);
  EXPECT_EQ(firstFrame->handlers, 1);
  EXPECT_EQ(secondFrame->handlers, 0);
  second->setFrame(refusingFrame.get());
  EXPECT_EQ(second->attached(&secondParent, kPlatformTypeX11EmbedWindowID), kResultFalse);
  EXPECT_EQ(editor->shownIn, &firstParent);
  EXPECT_EQ(firstFrame->handlers, 1);
  EXPECT_EQ(plug->hooks, "opened ") << "a refused attach opens nothing";
  second->removed(); // some hosts remove what failed to attach
  EXPECT_EQ(editor->shownIn, &firstParent);
  EXPECT_EQ(firstFrame->handlers, 1);
  plug->hooks.clear();

  // One that succeeds takes the window over; the first view's removal leaves it there.
  second->setFrame(secondFrame.get());
  ASSERT_EQ(second->attached(&secondParent, kPlatformTypeX11EmbedWindowID), kResultTrue);
  EXPECT_EQ(editor->shownIn, &secondParent);
  EXPECT_EQ(firstFrame->handlers, 0);
  EXPECT_EQ(secondFrame->handlers, 1);
  first->removed();
  EXPECT_EQ(editor->shownIn, &secondParent);
  second->removed();
  EXPECT_FALSE(editor->HasWindow());
  EXPECT_EQ(secondFrame->handlers, 0);
  for (IPlugView* view : {first.get(), second.get()})
    view->setFrame(nullptr);
  first = second = {};
  plug->terminate();
}

TEST(Vst3SideChain, TheAuxBusFeedsItsChannelsOnlyWhileActive)
{
  auto plug = IPtr<HookPlug>::adopt(new HookPlug);
  auto host = IPtr<HostApplication>::adopt(new HostApplication);
  ASSERT_EQ(plug->initialize(host->unknown()), kResultOk);
  ASSERT_EQ(plug->getBusCount(kAudio, kInput), 2);
  BusInfo info{};
  plug->getBusInfo(kAudio, kInput, 1, info);
  EXPECT_EQ(narrow(info.name), "Aux Input");
  EXPECT_EQ(info.busType, kAux);
  EXPECT_EQ(info.flags, 0u);

  SpeakerArrangement stereo = SpeakerArr::kStereo;
  SpeakerArrangement ins[] = {stereo, SpeakerArr::kMono};
  EXPECT_EQ(plug->setBusArrangements(ins, 1, &stereo, 1), kResultFalse) << "both input buses are needed";
  SpeakerArrangement centreAndLfe[] = {stereo, SpeakerArr::kStereoCLfe};
  EXPECT_EQ(plug->setBusArrangements(centreAndLfe, 2, &stereo, 1), kResultFalse) << "C+LFE is no side-chain pair";
  EXPECT_EQ(plug->setBusArrangements(ins, 2, &stereo, 1), kResultTrue);
  plug->getBusInfo(kAudio, kInput, 1, info);
  EXPECT_EQ(narrow(info.name), "Sidechain Input");
  EXPECT_EQ(info.channelCount, 1);
  plug->getBusInfo(kAudio, kInput, 0, info);
  EXPECT_EQ(narrow(info.name), "Main Input") << "the main bus keeps its place and name";

  ProcessSetup setup{kRealtime, kSample32, 64, 44100.0};
  ASSERT_EQ(plug->setupProcessing(setup), kResultOk);
  Block<float> main(2, 64, 0.1);
  Block<float> side(1, 64, 0.7);
  AudioBusBuffers inputs[] = {main.inBus, side.inBus};
  main.data.inputs = inputs;
  main.data.numInputs = 2;
  ASSERT_EQ(main.run(*plug.get()), kResultOk);
  EXPECT_EQ(plug->sideChainSample, 0.0) << "inactive: the side-chain reads silence";
  ASSERT_EQ(plug->activateBus(kAudio, kInput, 1, 1), kResultTrue);
  inputs[1].channelBuffers32 = nullptr;
  EXPECT_EQ(main.run(*plug.get()), kInvalidArgument) << "active: the side-chain needs its buffers";
  inputs[1] = side.inBus;
  ASSERT_EQ(main.run(*plug.get()), kResultOk);
  EXPECT_FLOAT_EQ(static_cast<float>(plug->sideChainSample), 0.7f);
  ASSERT_EQ(plug->activateBus(kAudio, kInput, 1, 0), kResultTrue);
  ASSERT_EQ(main.run(*plug.get()), kResultOk);
  EXPECT_EQ(plug->sideChainSample, 0.0) << "deactivated again: no stale samples";
  plug->terminate();
}
} // namespace

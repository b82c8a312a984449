#include "vst3/EditorRunLoopLink.h"

#include "WDL/IPlug/IEditorEventSource.h"
#include "vst3/sdk/helpers/FObject.h"

using namespace Steinberg;

// One object answers both host callbacks; the host keeps references to it.
class EditorRunLoopLink::Handler final : public FObject, public Linux::IEventHandler, public Linux::ITimerHandler
{
public:
  explicit Handler(IEditorEventSource& editor) : mEditor(&editor) {}
  void Forget() { mEditor = nullptr; }

  // [UI thread]
  void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override
  {
    if (mEditor != nullptr)
      mEditor->ProcessEvents();
  }
  // [UI thread]
  void PLUGIN_API onTimer() override
  {
    if (mEditor != nullptr)
      mEditor->TimerTick();
  }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (answerAs<Linux::IEventHandler>(this, iid, obj) || answerAs<Linux::ITimerHandler>(this, iid, obj))
      return kResultOk;
    return FObject::queryInterface(iid, obj);
  }
  VST3SDK_REFCOUNT_METHODS(FObject)

private:
  IEditorEventSource* mEditor;
};

EditorRunLoopLink::EditorRunLoopLink() = default;

EditorRunLoopLink::~EditorRunLoopLink()
{
  Disconnect();
}

bool EditorRunLoopLink::Connect(Linux::IRunLoop* runLoop, IEditorEventSource& editor)
{
  Disconnect();
  if (runLoop == nullptr || editor.EventDescriptor() < 0)
    return false;
  auto handler = IPtr<Handler>::adopt(new Handler(editor));
  const auto ok = [](tresult result) { return result == kResultOk; };
  if (!ok(runLoop->registerEventHandler(handler.get(), editor.EventDescriptor())))
    return false;
  if (!ok(runLoop->registerTimer(handler.get(), static_cast<Linux::TimerInterval>(editor.TimerPeriodMs()))))
  {
    runLoop->unregisterEventHandler(handler.get());
    return false;
  }
  mRunLoop = runLoop;
  mHandler = handler;
  return true;
}

void EditorRunLoopLink::Disconnect()
{
  if (!mRunLoop)
    return;
  mHandler->Forget();
  mRunLoop->unregisterTimer(mHandler.get());
  mRunLoop->unregisterEventHandler(mHandler.get());
  mRunLoop = nullptr;
  mHandler = nullptr;
}

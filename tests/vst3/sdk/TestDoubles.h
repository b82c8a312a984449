#pragma once

// Small plug-in and host objects the helper tests drive.

#include "vst3/sdk/helpers/FObject.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/helpers/SingleComponentEffect.h"
#include "vst3/sdk/interfaces/IComponentHandler.h"

#include <string>
#include <vector>

namespace Steinberg::Vst
{
// An effect that counts its living instances, with one stereo bus per direction and one
// parameter once initialized.
class CountedEffect : public SingleComponentEffect
{
public:
  static inline int alive = 0;

  CountedEffect() { ++alive; }
  ~CountedEffect() override { --alive; }

  tresult PLUGIN_API initialize(FUnknown* context) override
  {
    const tresult result = SingleComponentEffect::initialize(context);
    if (result == kResultOk)
    {
      addAudioInput(u"In", SpeakerArr::kStereo);
      addAudioOutput(u"Out", SpeakerArr::kStereo);
      parameters.addParameter(u"Level", u"dB", 0, 0.5, ParameterInfo::kCanAutomate, 7);
    }
    return result;
  }
};

// A component handler that records every call; answers IComponentHandler2 when asked to.
class RecordingHandler : public FObject, public IComponentHandler, public IComponentHandler2
{
public:
  explicit RecordingHandler(bool answersHandler2) : mAnswersHandler2(answersHandler2) {}

  std::vector<std::string> calls;

  tresult PLUGIN_API beginEdit(ParamID id) override { return record("begin " + std::to_string(id)); }
  tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override
  {
    return record("perform " + std::to_string(id) + " " + std::to_string(value));
  }
  tresult PLUGIN_API endEdit(ParamID id) override { return record("end " + std::to_string(id)); }
  tresult PLUGIN_API restartComponent(int32 flags) override { return record("restart " + std::to_string(flags)); }
  tresult PLUGIN_API setDirty(TBool state) override { return record("dirty " + std::to_string(state)); }
  tresult PLUGIN_API requestOpenEditor(FIDString name) override { return record(std::string("open ") + name); }
  tresult PLUGIN_API startGroupEdit() override { return record("group start"); }
  tresult PLUGIN_API finishGroupEdit() override { return record("group end"); }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (answerAs<IComponentHandler>(this, iid, obj) || (mAnswersHandler2 && answerAs<IComponentHandler2>(this, iid, obj)))
      return kResultOk;
    return FObject::queryInterface(iid, obj);
  }
  VST3SDK_REFCOUNT_METHODS(FObject)

private:
  tresult record(std::string call)
  {
    calls.push_back(std::move(call));
    return kResultOk;
  }

  bool mAnswersHandler2;
};
} // namespace Steinberg::Vst

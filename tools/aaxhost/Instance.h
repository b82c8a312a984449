#pragma once

#include "tools/aaxhost/Description.h"
#include "tools/aaxhost/HostObjects.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IEffectGUI.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IEffectParameters.h"

#include <memory>
#include <string>
#include <vector>

namespace aaxhost
{
// One instance of an effect as a host runs it on one component (I/O configuration):
// created by the effect's creation procedure, initialised with the host's controller and
// automation, rendered through the component's render callback with an algorithm
// context built from the component's fields. Automation values come back to the plug-in
// only when DeliverAutomation is called, as a host sends them later.
class Instance
{
public:
  // Null with error set when the effect has no such component, its procedure makes
  // nothing or Initialize fails.
  static std::unique_ptr<Instance> Create(const EffectDescriptor& effect, int componentIndex, double sampleRate,
                                          std::string& error);
  // Closes the editor, uninitialises and releases the plug-in.
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  AAX_IEffectParameters& Parameters() const { return *mParameters; }
  Controller& HostController() { return mController; }
  Transport& HostTransport() { return mTransport; }
  Automation& HostAutomation() { return mAutomation; }
  int InputChannels() const { return static_cast<int>(mInputs.size()); }
  int OutputChannels() const { return static_cast<int>(mOutputs.size()); }
  double SampleRate() const { return mSampleRate; }

  // [audio thread] One block through the render callback: inputs and outputs hold one
  // pointer per channel of the component. The transport advances while playing.
  // Allocates nothing.
  void Render(const float* const* inputs, float* const* outputs, int frames);
  // The context record the render callback receives (field-index order), for tests that
  // hand the plug-in malformed contexts.
  std::vector<void*>& Context() { return mContext; }
  AAX_CProcessProc RenderProc() const { return mRender; }
  void RenderContext(void* context);

  // [UI thread] Sends each value the plug-in posted to the automation back through
  // UpdateParameterNormalizedValue; the count sent.
  int DeliverAutomation();

  // [UI thread] The plug-in's first chunk: its ID and data.
  AAX_Result SaveChunk(AAX_CTypeID& id, std::vector<char>& data) const;
  AAX_Result LoadChunk(AAX_CTypeID id, const std::vector<char>& data);
  AAX_Result CompareChunk(AAX_CTypeID id, const std::vector<char>& data, bool& equal) const;

  // [UI thread] An editor object from the GUI procedure, initialised; the container is
  // set with the given native window (null: a container without a window).
  AAX_Result OpenEditor(void* nativeWindow);
  AAX_Result CloseEditor();
  AAX_IEffectGUI* Editor() const { return mGui; }
  ViewContainer* Container() const { return mContainer.get(); }

private:
  Instance(const ComponentDescriptor& component, AAX_CCreateProc createGui, double sampleRate);

  double mSampleRate;
  Controller mController;
  Transport mTransport;
  Automation mAutomation;
  MIDINode mTransportNode{&mTransport};
  MIDINode mMidiNode{nullptr};
  AAX_IEffectParameters* mParameters = nullptr;
  AAX_CProcessProc mRender = nullptr;
  AAX_CCreateProc mCreateGui = nullptr;
  std::vector<void*> mContext;
  std::vector<std::vector<unsigned char>> mPrivateBlocks;
  std::vector<float*> mInputs;
  std::vector<float*> mOutputs;
  int32_t mFrames = 0;
  AAX_IEffectGUI* mGui = nullptr;
  std::unique_ptr<ViewContainer> mContainer;
};
} // namespace aaxhost

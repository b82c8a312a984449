#pragma once

// One instance of an effect as a host runs it on one component (I/O configuration):
// made by the effect's creation procedure, initialised with the host's controller
// unknown, rendered through the component's render procedure with an algorithm context
// built from the component's fields. The plug-in's own edits reach the host's
// automation and come back only when DeliverAutomation is called, as a host sends them
// later. At the end the instance checks that the module let go of every host object.

#include "tools/aaxhost/Description.h"
#include "tools/aaxhost/HostObjects.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace aaxhost
{
class Instance
{
public:
  // The view type an editor is opened with on this platform: an HWND on Windows, our
  // private X11 value elsewhere.
#if defined(_WIN32)
  static constexpr int32_t kNativeViewType = abi::kViewTypeHWND;
#else
  static constexpr int32_t kNativeViewType = abi::kViewTypeX11;
#endif

  // What the controller offers the plug-in beyond itself.
  struct Offers
  {
    bool automation = true; // the automation delegate
  };
  // Null with error set when the effect has no such component, its procedure makes
  // nothing, the object lacks an interface version or Initialize fails.
  static std::unique_ptr<Instance> Create(const EffectDescriptor& effect, int componentIndex, double sampleRate,
                                          std::string& error, Offers offers);
  static std::unique_ptr<Instance> Create(const EffectDescriptor& effect, int componentIndex, double sampleRate,
                                          std::string& error)
  {
    return Create(effect, componentIndex, sampleRate, error, Offers{});
  }
  // Closes the editor, removes the instance from rendering, uninitialises and releases
  // the plug-in, then checks the references left (problems go to the module's checks).
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  // The effect-parameters object (its newest interface, one host reference).
  abi::IEffectParametersV4& Parameters() const { return *mParameters; }
  abi::IACFUnknown* EffectParameters() const { return mParameters; }
  Controller& HostController() { return *mController; }
  Transport& HostTransport() { return mTransport; }
  AutomationDelegate& HostAutomation() { return *mAutomation; }
  const ComponentDescriptor& Component() const { return mComponent; }
  int InputChannels() const { return static_cast<int>(mInputs.size()); }
  int OutputChannels() const { return static_cast<int>(mOutputs.size()); }
  double SampleRate() const { return mSampleRate; }

  // [audio thread] One block through the render procedure: one pointer per channel of
  // the component on each side. The transport advances while playing. Allocates nothing.
  void Render(const float* const* inputs, float* const* outputs, int frames);
  // The context record the render procedure receives (one pointer per field index), for
  // tests that hand the plug-in malformed contexts.
  std::vector<void*>& Context() { return mContext; }
  abi::AAX_CProcessProc RenderProc() const { return mComponent.RenderProc(); }
  void RenderContext(void* context);
  // [UI thread] A reset: every private-data field filled again through ResetFieldData.
  abi::AAX_Result ResetFields();

  // [UI thread] Parameters as the host sees them, by identifier.
  std::vector<std::string> ParameterIds() const;
  std::string MasterBypassId() const;
  // The current normalized value, or nothing when the plug-in refuses the identifier.
  std::optional<double> NormalizedValue(const std::string& id) const;
  std::string DisplayText(const std::string& id, double normalized) const;
  // The host changes a value (automation, its own controls): UpdateParameterNormalizedValue,
  // GenerateCoefficients, and the editor told.
  abi::AAX_Result Automate(const std::string& id, double normalized);
  // A control of the plug-in moves: touch, set, release on the plug-in's side; the
  // value comes back at the next DeliverAutomation.
  abi::AAX_Result Edit(const std::string& id, double normalized);
  // Sends each value the plug-in asked for back through UpdateParameterNormalizedValue
  // (with the source of where it was asked), until nothing more is asked; the count sent.
  int DeliverAutomation();
  // [UI thread] The host's idle: both objects' TimerWakeup.
  void Idle();

  // [UI thread] The plug-in's first chunk: its ID and data.
  abi::AAX_Result SaveChunk(abi::AAX_CTypeID& id, std::vector<char>& data) const;
  // A chunk record of id holding data; declaredSize, when given, is written as the
  // record's size field instead of the data's (the record always holds enough bytes).
  abi::AAX_Result LoadChunk(abi::AAX_CTypeID id, const std::vector<char>& data,
                            std::optional<int32_t> declaredSize = std::nullopt);
  abi::AAX_Result CompareChunk(abi::AAX_CTypeID id, const std::vector<char>& data, bool& equal) const;

  // [UI thread] An editor object from the GUI procedure, initialised (once), then given
  // a new view container around nativeWindow (null: a container without a window).
  abi::AAX_Result OpenEditor(void* nativeWindow, int32_t viewType = kNativeViewType);
  // The container set to null, the editor uninitialised and released.
  abi::AAX_Result CloseEditor();
  abi::IEffectGUIV2* Editor() const { return mGui; }
  ViewContainer* Container() const { return mContainers.empty() ? nullptr : mContainers.back().get(); }

private:
  Instance(const ComponentDescriptor& component, abi::CreateProc createGui, double sampleRate,
           std::shared_ptr<Checks> checks);
  void FillHeader(abi::AAX_SPlugInChunkHeader& header, abi::AAX_CTypeID id, int32_t size) const;

  const ComponentDescriptor& mComponent;
  abi::CreateProc mCreateGui;
  double mSampleRate;
  std::shared_ptr<Checks> mChecks;
  Transport mTransport;
  PlainTransport mPlainTransport{mTransport};
  MIDINode mTransportNode{&mPlainTransport};
  MIDINode mMidiNode{nullptr};
  std::unique_ptr<AutomationDelegate> mAutomation;
  std::unique_ptr<AcfTransport> mAcfTransport;
  std::unique_ptr<Controller> mController;
  abi::IEffectParametersV4* mParameters = nullptr;
  bool mInitialized = false;
  std::vector<void*> mContext;
  std::vector<std::vector<uint64_t>> mPrivateBlocks; // 8-byte aligned
  std::vector<std::pair<abi::AAX_CFieldIndex, uint32_t>> mPrivateFields;
  std::vector<float*> mInputs;
  std::vector<float*> mOutputs;
  int32_t mFrames = 0;
  abi::IEffectGUIV2* mGui = nullptr;
  // Kept for the instance's life: a module may hold a container without a reference.
  std::vector<std::unique_ptr<ViewContainer>> mContainers;
};
} // namespace aaxhost

#include "tools/aaxhost/Instance.h"

#include <cmath>
#include <cstring>

namespace aaxhost
{
using namespace abi;

namespace
{
// Queries every version of an interface family from a new object: each must answer,
// with one pointer for all. Returns the newest with one reference, or null.
template <class Interface>
Interface* QueryFamily(IACFUnknown* object, std::initializer_list<acfUID> versions, const char* what, Checks& checks,
                       std::string& error)
{
  void* newest = nullptr;
  for (const acfUID& iid : versions)
  {
    void* answer = nullptr;
    if (object->QueryInterface(iid, &answer) != ACF_OK || answer == nullptr)
    {
      error = std::string("the ") + what + " object does not answer " + NameOf(iid);
      if (newest != nullptr)
        static_cast<IACFUnknown*>(newest)->Release();
      return nullptr;
    }
    if (newest != nullptr)
    {
      if (answer != newest)
        checks.Problem(std::string("the ") + what + " object answers " + NameOf(iid) + " with another pointer");
      static_cast<IACFUnknown*>(newest)->Release();
    }
    newest = answer;
  }
  return static_cast<Interface*>(newest);
}

// Drops the host's last reference to a plug-in object; anything left is recorded.
void ReleaseLast(IACFUnknown* object, const char* what, Checks& checks)
{
  if (const uint32_t left = object->Release(); left != 0)
    checks.Problem(std::string("the ") + what + " object keeps " + std::to_string(left) +
                   " references after the host's last release");
}
} // namespace

Instance::Instance(const ComponentDescriptor& component, CreateProc createGui, double sampleRate,
                   std::shared_ptr<Checks> checks)
    : mComponent(component), mCreateGui(createGui), mSampleRate(sampleRate), mChecks(std::move(checks))
{
  mAutomation = std::make_unique<AutomationDelegate>(mChecks);
  mAcfTransport = std::make_unique<AcfTransport>(mChecks, mTransport);
}

std::unique_ptr<Instance> Instance::Create(const EffectDescriptor& effect, int componentIndex, double sampleRate,
                                           std::string& error, Offers offers)
{
  if (componentIndex < 0 || componentIndex >= static_cast<int>(effect.Components().size()))
  {
    error = "the effect has no component " + std::to_string(componentIndex);
    return nullptr;
  }
  const ComponentDescriptor& component = *effect.Components()[static_cast<size_t>(componentIndex)];
  const CreateProc create = effect.Proc(kProcCreateEffectParameters);
  if (create == nullptr)
  {
    error = "the effect registered no effect-parameters procedure";
    return nullptr;
  }
  std::string effectId;
  // The effect's registered ID, for the controller's GetEffectID.
  for (const auto& collection : effect.Factory().Collections())
    for (const auto& [id, described] : collection->Effects())
      if (described == &effect)
        effectId = id;

  std::unique_ptr<Instance> instance(new Instance(component, effect.Proc(kProcCreateEffectGUI), sampleRate,
                                                  effect.SharedChecks()));
  instance->mController = std::make_unique<Controller>(
      instance->mChecks, static_cast<float>(sampleRate),
      static_cast<int32_t>(component.Property(kPropertyInputStemFormat, kStemNone)),
      static_cast<int32_t>(component.Property(kPropertyOutputStemFormat, kStemNone)), effectId,
      *instance->mAutomation, *instance->mAcfTransport, &effect.Factory());
  instance->mController->OfferAutomation(offers.automation);

  IACFUnknown* made = create();
  if (made == nullptr)
  {
    error = "the effect-parameters procedure made nothing";
    return nullptr;
  }
  instance->mParameters = QueryFamily<IEffectParametersV4>(
      made,
      {IID_IACFUnknown, IID_EffectParametersV1, IID_EffectParametersV2, IID_EffectParametersV3, IID_EffectParametersV4},
      "effect-parameters", *instance->mChecks, error);
  if (instance->mParameters == nullptr)
    return nullptr; // a bare object of count 0 is the module's to leak
  instance->mController->SetEffectParameters(instance->mParameters);

  if (const AAX_Result result = instance->mParameters->Initialize(instance->mController.get()); result != AAX_SUCCESS)
  {
    error = "Initialize failed with " + std::to_string(result);
    return nullptr;
  }
  instance->mInitialized = true;

  // The context: one pointer per field up to the highest described; undescribed slots
  // stay null.
  const auto& fields = component.Fields();
  const int fieldCount = fields.empty() ? 0 : fields.rbegin()->first + 1;
  instance->mContext.assign(static_cast<size_t>(fieldCount), nullptr);
  instance->mInputs.assign(
      static_cast<size_t>(StemChannelCount(static_cast<int32_t>(component.Property(kPropertyInputStemFormat, kStemNone)))),
      nullptr);
  instance->mOutputs.assign(
      static_cast<size_t>(StemChannelCount(static_cast<int32_t>(component.Property(kPropertyOutputStemFormat, kStemNone)))),
      nullptr);
  instance->mPrivateBlocks.reserve(fields.size());
  for (const auto& [index, field] : fields)
  {
    void*& slot = instance->mContext[static_cast<size_t>(index)];
    switch (field.kind)
    {
    case Field::Kind::kAudioIn: slot = instance->mInputs.data(); break;
    case Field::Kind::kAudioOut: slot = instance->mOutputs.data(); break;
    case Field::Kind::kBufferLength: slot = &instance->mFrames; break;
    case Field::Kind::kMIDINode:
      slot = field.nodeType == kMIDINodeTransport ? static_cast<IMIDINode*>(&instance->mTransportNode)
                                                  : static_cast<IMIDINode*>(&instance->mMidiNode);
      break;
    case Field::Kind::kPrivateData:
    case Field::Kind::kMeters:
    {
      const size_t bytes = field.kind == Field::Kind::kMeters ? field.meterCount * sizeof(float)
                                                              : static_cast<size_t>(field.sizeBytes);
      auto& block = instance->mPrivateBlocks.emplace_back((bytes + 7) / 8 + 1);
      std::memset(block.data(), 0xCD, block.size() * 8); // not zero: the plug-in fills it
      slot = block.data();
      if (field.kind == Field::Kind::kPrivateData)
        instance->mPrivateFields.emplace_back(index, static_cast<uint32_t>(bytes));
      break;
    }
    case Field::Kind::kOther: break;
    }
  }
  if (const AAX_Result result = instance->ResetFields(); result != AAX_SUCCESS)
  {
    error = "ResetFieldData failed with " + std::to_string(result);
    return nullptr;
  }
  if (const AAX_CInstanceInitProc init = component.InitProc(); init != nullptr)
    init(instance->mContext.data(), kInstanceAdding);
  return instance;
}

Instance::~Instance()
{
  CloseEditor();
  if (mParameters != nullptr)
  {
    if (mInitialized)
    {
      if (const AAX_CInstanceInitProc init = mComponent.InitProc(); init != nullptr)
        init(mContext.data(), kInstanceRemoving);
      if (const AAX_Result result = mParameters->Uninitialize(); result != AAX_SUCCESS)
        mChecks->Problem("Uninitialize answered " + std::to_string(result));
    }
    ReleaseLast(mParameters, "effect-parameters", *mChecks);
  }
  if (mInitialized)
  {
    for (const std::string& id : mAutomation->Registered())
      mChecks->Problem("parameter \"" + id + "\" still registered after Uninitialize");
    const auto held = [this](const char* what, uint32_t count) {
      if (count != 0)
        mChecks->Problem(std::string("the module keeps ") + std::to_string(count) + " references to the " + what);
    };
    held("controller", mController->ModuleReferences());
    held("automation delegate", mAutomation->ModuleReferences());
    held("transport", mAcfTransport->ModuleReferences());
  }
}

AAX_Result Instance::ResetFields()
{
  AAX_Result first = AAX_SUCCESS;
  size_t block = 0;
  for (const auto& [index, field] : mComponent.Fields())
  {
    if (field.kind != Field::Kind::kPrivateData && field.kind != Field::Kind::kMeters)
      continue;
    void* data = mPrivateBlocks[block++].data();
    if (field.kind != Field::Kind::kPrivateData)
      continue;
    const AAX_Result result = mParameters->ResetFieldData(index, data, static_cast<uint32_t>(field.sizeBytes));
    if (first == AAX_SUCCESS)
      first = result;
  }
  return first;
}

void Instance::Render(const float* const* inputs, float* const* outputs, int frames)
{
  for (size_t c = 0; c < mInputs.size(); ++c)
    mInputs[c] = inputs != nullptr ? const_cast<float*>(inputs[c]) : nullptr;
  for (size_t c = 0; c < mOutputs.size(); ++c)
    mOutputs[c] = outputs != nullptr ? outputs[c] : nullptr;
  mFrames = frames;
  RenderContext(mContext.data());
  mTransport.Advance(frames, mSampleRate);
}

void Instance::RenderContext(void* context)
{
  void* contexts[1] = {context};
  mComponent.RenderProc()(contexts, contexts + 1);
}

std::vector<std::string> Instance::ParameterIds() const
{
  std::vector<std::string> ids;
  int32_t count = 0;
  if (mParameters->GetNumberOfParameters(&count) != AAX_SUCCESS)
    return ids;
  for (int32_t index = 0; index < count; ++index)
  {
    HostString id;
    if (mParameters->GetParameterIDFromIndex(index, &id) == AAX_SUCCESS)
      ids.push_back(id.Text());
  }
  return ids;
}

std::string Instance::MasterBypassId() const
{
  HostString id;
  mParameters->GetMasterBypassParameter(&id);
  return id.Text();
}

std::optional<double> Instance::NormalizedValue(const std::string& id) const
{
  double value = NAN;
  if (mParameters->GetParameterNormalizedValue(id.c_str(), &value) != AAX_SUCCESS)
    return std::nullopt;
  return value;
}

std::string Instance::DisplayText(const std::string& id, double normalized) const
{
  HostString text;
  if (mParameters->GetParameterStringFromValue(id.c_str(), normalized, &text, 64) != AAX_SUCCESS)
    return {};
  return text.Text();
}

AAX_Result Instance::Automate(const std::string& id, double normalized)
{
  mAutomation->postingSource = kUpdateInsideUpdate;
  const AAX_Result result = mParameters->UpdateParameterNormalizedValue(id.c_str(), normalized, kUpdateUnspecified);
  mAutomation->postingSource = kUpdateUnspecified;
  mParameters->GenerateCoefficients();
  if (mGui != nullptr)
    mGui->ParameterUpdated(id.c_str());
  return result;
}

AAX_Result Instance::Edit(const std::string& id, double normalized)
{
  const AAX_Result touched = mParameters->TouchParameter(id.c_str());
  const AAX_Result set = mParameters->SetParameterNormalizedValue(id.c_str(), normalized);
  const AAX_Result released = mParameters->ReleaseParameter(id.c_str());
  return set != AAX_SUCCESS ? set : touched != AAX_SUCCESS ? touched : released;
}

int Instance::DeliverAutomation()
{
  int sent = 0;
  // A value sent back may make the plug-in ask for others; a few rounds settle it.
  for (int round = 0; round < 8; ++round)
  {
    std::vector<std::string> updated;
    for (const AutomationDelegate::Event& event : mAutomation->TakeEvents())
      if (event.kind == AutomationDelegate::Event::Kind::kSet)
      {
        mAutomation->postingSource = kUpdateInsideUpdate;
        mParameters->UpdateParameterNormalizedValue(event.id, event.value, event.source);
        mAutomation->postingSource = kUpdateUnspecified;
        updated.emplace_back(event.id);
        ++sent;
      }
    if (updated.empty())
      break;
    mParameters->GenerateCoefficients();
    if (mGui != nullptr)
      for (const std::string& id : updated)
        mGui->ParameterUpdated(id.c_str());
  }
  return sent;
}

void Instance::Idle()
{
  mParameters->TimerWakeup();
  if (mGui != nullptr)
    mGui->TimerWakeup();
}

void Instance::FillHeader(AAX_SPlugInChunkHeader& header, AAX_CTypeID id, int32_t size) const
{
  std::memset(&header, 0, sizeof header);
  header.fSize = size;
  header.fManufacturerID = static_cast<uint32_t>(mComponent.Property(kPropertyManufacturerID));
  header.fProductID = static_cast<uint32_t>(mComponent.Property(kPropertyProductID));
  header.fPlugInID = static_cast<uint32_t>(mComponent.Property(kPropertyPlugInIDNative));
  header.fChunkID = id;
}

AAX_Result Instance::SaveChunk(AAX_CTypeID& id, std::vector<char>& data) const
{
  int32_t count = 0;
  if (const AAX_Result result = mParameters->GetNumberOfChunks(&count); result != AAX_SUCCESS)
    return result;
  if (count < 1)
    return AAX_ERROR_INVALID_CHUNK_INDEX;
  if (const AAX_Result result = mParameters->GetChunkIDFromIndex(0, &id); result != AAX_SUCCESS)
    return result;
  uint32_t size = 0;
  if (const AAX_Result result = mParameters->GetChunkSize(id, &size); result != AAX_SUCCESS)
    return result;
  if (size > (64u << 20))
    return AAX_ERROR_INCORRECT_CHUNK_SIZE;
  std::vector<uint64_t> record((kChunkHeaderBytes + size + 7) / 8 + 1);
  auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
  FillHeader(*chunk, id, static_cast<int32_t>(size));
  if (const AAX_Result result = mParameters->GetChunk(id, chunk); result != AAX_SUCCESS)
    return result;
  if (chunk->fSize != static_cast<int32_t>(size))
  {
    mChecks->Problem("GetChunk wrote " + std::to_string(chunk->fSize) + " bytes after GetChunkSize reported " +
                     std::to_string(size));
    if (chunk->fSize < 0 || static_cast<uint32_t>(chunk->fSize) > size)
      return AAX_ERROR_INCORRECT_CHUNK_SIZE;
  }
  data.assign(chunk->fData, chunk->fData + chunk->fSize);
  return AAX_SUCCESS;
}

AAX_Result Instance::LoadChunk(AAX_CTypeID id, const std::vector<char>& data, std::optional<int32_t> declaredSize)
{
  const int32_t size = declaredSize.value_or(static_cast<int32_t>(data.size()));
  const size_t room = std::max(data.size(), static_cast<size_t>(std::max(size, 0)));
  std::vector<uint64_t> record((kChunkHeaderBytes + room + 7) / 8 + 1);
  auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
  FillHeader(*chunk, id, size);
  if (!data.empty())
    std::memcpy(chunk->fData, data.data(), data.size());
  mAutomation->postingSource = kUpdateInsideSetChunk;
  const AAX_Result result = mParameters->SetChunk(id, chunk);
  mAutomation->postingSource = kUpdateUnspecified;
  return result;
}

AAX_Result Instance::CompareChunk(AAX_CTypeID id, const std::vector<char>& data, bool& equal) const
{
  std::vector<uint64_t> record((kChunkHeaderBytes + data.size() + 7) / 8 + 1);
  auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
  FillHeader(*chunk, id, static_cast<int32_t>(data.size()));
  if (!data.empty())
    std::memcpy(chunk->fData, data.data(), data.size());
  AAX_CBoolean same = 0;
  const AAX_Result result = mParameters->CompareActiveChunk(chunk, &same);
  equal = same != 0;
  return result;
}

AAX_Result Instance::OpenEditor(void* nativeWindow, int32_t viewType)
{
  if (mCreateGui == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  if (mGui == nullptr)
  {
    IACFUnknown* made = mCreateGui();
    if (made == nullptr)
      return AAX_ERROR_NULL_OBJECT;
    std::string error;
    mGui = QueryFamily<IEffectGUIV2>(made, {IID_IACFUnknown, IID_EffectGUIV1, IID_EffectGUIV2}, "GUI", *mChecks, error);
    if (mGui == nullptr)
    {
      mChecks->Problem(error);
      return AAX_ERROR_NULL_OBJECT;
    }
    if (const AAX_Result result = mGui->Initialize(mController.get()); result != AAX_SUCCESS)
    {
      ReleaseLast(mGui, "GUI", *mChecks);
      mGui = nullptr;
      return result;
    }
  }
  auto& container = mContainers.emplace_back(
      std::make_unique<ViewContainer>(mChecks, nativeWindow != nullptr ? viewType : kViewTypeNone, nativeWindow));
  return mGui->SetViewContainer(container.get());
}

AAX_Result Instance::CloseEditor()
{
  if (mGui == nullptr)
    return AAX_SUCCESS;
  const AAX_Result closed = mGui->SetViewContainer(nullptr);
  const AAX_Result uninitialized = mGui->Uninitialize();
  ReleaseLast(mGui, "GUI", *mChecks);
  mGui = nullptr;
  return closed != AAX_SUCCESS ? closed : uninitialized;
}
} // namespace aaxhost

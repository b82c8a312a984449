#include "tools/aaxhost/Instance.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_SPlugInChunk.h"

#include <cstring>

namespace aaxhost
{
namespace
{
// A chunk record of id holding data, as a host hands it to the plug-in.
std::vector<char> ChunkRecord(AAX_CTypeID id, const std::vector<char>& data)
{
  std::vector<char> record(AAX_ChunkBytes(data.size()));
  auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
  chunk->fSize = static_cast<int32_t>(data.size());
  chunk->fChunkID = id;
  if (!data.empty())
    std::memcpy(chunk->fData, data.data(), data.size());
  return record;
}
} // namespace

Instance::Instance(const ComponentDescriptor& component, AAX_CCreateProc createGui, double sampleRate)
    : mSampleRate(sampleRate),
      mController(sampleRate, component.Property(AAX_eProperty_InputStemFormat, AAX_eStemFormat_None),
                  component.Property(AAX_eProperty_OutputStemFormat, AAX_eStemFormat_None)),
      mRender(component.RenderProc()), mCreateGui(createGui)
{
}

std::unique_ptr<Instance> Instance::Create(const EffectDescriptor& effect, int componentIndex, double sampleRate,
                                           std::string& error)
{
  if (componentIndex < 0 || componentIndex >= static_cast<int>(effect.Components().size()))
  {
    error = "the effect has no component " + std::to_string(componentIndex);
    return nullptr;
  }
  const ComponentDescriptor& component = *effect.Components()[static_cast<size_t>(componentIndex)];
  AAX_CCreateProc create = effect.Proc(kAAX_ProcPtrID_Create_EffectParameters);
  if (create == nullptr)
  {
    error = "the effect registered no effect-parameters procedure";
    return nullptr;
  }
  std::unique_ptr<Instance> instance(new Instance(component, effect.Proc(kAAX_ProcPtrID_Create_EffectGUI), sampleRate));
  instance->mParameters = static_cast<AAX_IEffectParameters*>(create());
  if (instance->mParameters == nullptr)
  {
    error = "the effect-parameters procedure made nothing";
    return nullptr;
  }
  if (const AAX_Result result = instance->mParameters->Initialize(&instance->mController, &instance->mAutomation);
      result != AAX_SUCCESS)
  {
    error = "Initialize failed with " + std::to_string(result);
    return nullptr;
  }

  // The context: one pointer per field up to the highest described.
  const auto& fields = component.Fields();
  const int fieldCount = fields.empty() ? 0 : fields.rbegin()->first + 1;
  instance->mContext.assign(static_cast<size_t>(fieldCount), nullptr);
  instance->mInputs.assign(static_cast<size_t>(AAX_StemChannelCount(component.Property(AAX_eProperty_InputStemFormat))), nullptr);
  instance->mOutputs.assign(static_cast<size_t>(AAX_StemChannelCount(component.Property(AAX_eProperty_OutputStemFormat))), nullptr);
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
      slot = field.nodeType == AAX_eMIDINodeType_Transport ? static_cast<AAX_IMIDINode*>(&instance->mTransportNode)
                                                           : static_cast<AAX_IMIDINode*>(&instance->mMidiNode);
      break;
    case Field::Kind::kPrivateData:
    case Field::Kind::kMeters:
    {
      const size_t bytes = field.kind == Field::Kind::kMeters ? field.meterCount * sizeof(float)
                                                              : static_cast<size_t>(field.sizeBytes);
      instance->mPrivateBlocks.emplace_back(bytes, 0xCD); // not zero: the plug-in fills it
      slot = instance->mPrivateBlocks.back().data();
      if (field.kind == Field::Kind::kPrivateData)
        instance->mParameters->ResetFieldData(index, slot, static_cast<uint32_t>(bytes));
      break;
    }
    }
  }
  return instance;
}

Instance::~Instance()
{
  CloseEditor();
  if (mParameters != nullptr)
  {
    mParameters->Uninitialize();
    mParameters->Release();
  }
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
  void* instances[1] = {context};
  mRender(instances, instances + 1);
}

int Instance::DeliverAutomation()
{
  int sent = 0;
  for (const Automation::Event& event : mAutomation.TakeEvents())
    if (event.kind == Automation::Event::Kind::kSet)
    {
      mParameters->UpdateParameterNormalizedValue(event.id, event.value, AAX_eUpdateSource_Automation);
      ++sent;
    }
  return sent;
}

AAX_Result Instance::SaveChunk(AAX_CTypeID& id, std::vector<char>& data) const
{
  if (const AAX_Result result = mParameters->GetChunkIDFromIndex(0, &id); result != AAX_SUCCESS)
    return result;
  uint32_t size = 0;
  if (const AAX_Result result = mParameters->GetChunkSize(id, &size); result != AAX_SUCCESS)
    return result;
  std::vector<char> record(AAX_ChunkBytes(size));
  auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
  chunk->fSize = static_cast<int32_t>(size);
  chunk->fChunkID = id;
  if (const AAX_Result result = mParameters->GetChunk(id, chunk); result != AAX_SUCCESS)
    return result;
  data.assign(chunk->fData, chunk->fData + chunk->fSize);
  return AAX_SUCCESS;
}

AAX_Result Instance::LoadChunk(AAX_CTypeID id, const std::vector<char>& data)
{
  const std::vector<char> record = ChunkRecord(id, data);
  return mParameters->SetChunk(id, reinterpret_cast<const AAX_SPlugInChunk*>(record.data()));
}

AAX_Result Instance::CompareChunk(AAX_CTypeID id, const std::vector<char>& data, bool& equal) const
{
  const std::vector<char> record = ChunkRecord(id, data);
  return mParameters->CompareActiveChunk(reinterpret_cast<const AAX_SPlugInChunk*>(record.data()), &equal);
}

AAX_Result Instance::OpenEditor(void* nativeWindow)
{
  if (mCreateGui == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  if (mGui == nullptr)
  {
    mGui = static_cast<AAX_IEffectGUI*>(mCreateGui());
    if (mGui == nullptr)
      return AAX_ERROR_NULL_OBJECT;
    if (const AAX_Result result = mGui->Initialize(mParameters, &mController, &mTransport); result != AAX_SUCCESS)
      return result;
  }
  mContainer = std::make_unique<ViewContainer>(nativeWindow != nullptr ? AAX_eViewContainer_Type_X11
                                                                       : AAX_eViewContainer_Type_NULL,
                                               nativeWindow);
  return mGui->SetViewContainer(mContainer.get());
}

AAX_Result Instance::CloseEditor()
{
  if (mGui == nullptr)
    return AAX_SUCCESS;
  mGui->SetViewContainer(nullptr);
  mGui->Uninitialize();
  mGui->Release();
  mGui = nullptr;
  mContainer.reset();
  return AAX_SUCCESS;
}
} // namespace aaxhost

#include "WDL/IPlug/AAX/IPlugAAX_Describe.h"

#include "WDL/IPlug/AAX/AAX_CIPlugParameters.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_Exports.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_VHost.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace
{
constexpr int kMaxConfigurations = 2; // the type ID tables have two entries
constexpr int kMaxAuxOutputStems = 16;
constexpr int kEmptyBlockBytes = 4;

// One I/O configuration's setup, read by the component description.
struct PlugSetup
{
  bool needsGlobalMidi = false;
  const char* globalMidiNodeName = "GlobalMIDI";
  uint32_t globalMidiEventMask = 0xFFFF;
  bool needsInputMidi = false;
  const char* inputMidiNodeName = "TavrikQuenmark Midi";
  uint32_t inputMidiChannelMask = 1;
  bool needsTransport = true;
  const char* transportNodeName = "Transport";
  int32_t meterCount = 0;
  const AAX_CTypeID* meterIds = nullptr;
  int32_t auxOutputStemCount = 0;
  const char* auxOutputStemNames[kMaxAuxOutputStems] = {};
  AAX_EStemFormat auxOutputStemFormats[kMaxAuxOutputStems] = {};
  AAX_EStemFormat inputStemFormat = AAX_eStemFormat_None;
  AAX_EStemFormat outputStemFormat = AAX_eStemFormat_None;
  bool hostGeneratedGui = false;
  bool canBypass = true;
  AAX_CTypeID manufacturerId = 0;
  AAX_CTypeID productId = 0;
  AAX_CTypeID nativeTypeId = 0;
  AAX_CTypeID audioSuiteTypeId = AAX_kNoTypeID;
  int32_t latency = 0;
};

// Calls fn(piece) for each piece of text between line feeds, up to the first empty one.
template <typename Fn>
void ForEachPiece(const char* text, Fn&& fn)
{
  const std::string all = text != nullptr ? text : "";
  size_t start = 0;
  while (start < all.size())
  {
    const size_t end = std::min(all.find('\n', start), all.size());
    if (end == start)
      break;
    fn(all.substr(start, end - start).c_str());
    start = end + 1;
  }
}

AAX_Result DescribeComponent(AAX_VEffectDescriptor& effect, const PlugSetup& setup)
{
  AAX_VComponentDescriptor* component = effect.NewComponentDescriptor();
  if (component == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  AAX_Result err = AAX_SUCCESS;
  err |= setup.needsGlobalMidi
             ? component->AddMIDINode(kAAXField_GlobalMIDI, AAX_eMIDINodeType_Global, setup.globalMidiNodeName,
                                      setup.globalMidiEventMask)
             : component->AddPrivateData(kAAXField_GlobalMIDI, kEmptyBlockBytes, 0);
  err |= setup.needsInputMidi
             ? component->AddMIDINode(kAAXField_MIDIInput, AAX_eMIDINodeType_LocalInput, setup.inputMidiNodeName,
                                      setup.inputMidiChannelMask)
             : component->AddPrivateData(kAAXField_MIDIInput, kEmptyBlockBytes, 0);
  err |= setup.needsTransport
             ? component->AddMIDINode(kAAXField_Transport, AAX_eMIDINodeType_Transport, setup.transportNodeName, 0xFFFF)
             : component->AddPrivateData(kAAXField_Transport, kEmptyBlockBytes, 0);
  err |= component->AddAudioIn(kAAXField_AudioIn);
  err |= component->AddAudioOut(kAAXField_AudioOut);
  err |= component->AddAudioBufferLength(kAAXField_BufferLength);
  err |= setup.meterCount > 0
             ? component->AddMeters(kAAXField_Meters, setup.meterIds, static_cast<uint32_t>(setup.meterCount))
             : component->AddPrivateData(kAAXField_Meters, kEmptyBlockBytes, 0);
  for (int i = 0; i < std::min(setup.auxOutputStemCount, kMaxAuxOutputStems); ++i)
    err |= component->AddAuxOutputStem(0, setup.auxOutputStemFormats[i], setup.auxOutputStemNames[i]);
  err |= component->AddPrivateData(kAAXField_PrivateData, sizeof(AAX_SIPlugPrivateData), 0);

  AAX_VPropertyMap* properties = component->NewPropertyMap();
  if (properties == nullptr)
    return err | AAX_ERROR_NULL_OBJECT;
  if (setup.hostGeneratedGui)
    err |= properties->AddProperty(AAX_eProperty_UsesClientGUI, 1);
  err |= properties->AddProperty(AAX_eProperty_LatencyContribution, setup.latency);
  err |= properties->AddProperty(AAX_eProperty_InputStemFormat, setup.inputStemFormat);
  err |= properties->AddProperty(AAX_eProperty_OutputStemFormat, setup.outputStemFormat);
  err |= properties->AddProperty(AAX_eProperty_CanBypass, setup.canBypass ? 1 : 0);
  err |= properties->AddProperty(AAX_eProperty_ManufacturerID, static_cast<AAX_CPropertyValue>(setup.manufacturerId));
  err |= properties->AddProperty(AAX_eProperty_ProductID, static_cast<AAX_CPropertyValue>(setup.productId));
  err |= properties->AddProperty(AAX_eProperty_PlugInID_Native, static_cast<AAX_CPropertyValue>(setup.nativeTypeId));
  if (setup.audioSuiteTypeId != AAX_kNoTypeID)
    err |= properties->AddProperty(AAX_eProperty_PlugInID_AudioSuite,
                                   static_cast<AAX_CPropertyValue>(setup.audioSuiteTypeId));
  err |= component->AddProcessProc_Native(AAX_IPlugRenderCallback, properties, nullptr, nullptr, nullptr);
  err |= effect.AddComponent(component);
  return err;
}
} // namespace

AAX_EStemFormat IPlugAAX_StemFormatFor(int channels)
{
  switch (channels)
  {
  case 1: return AAX_eStemFormat_Mono;
  case 2: return AAX_eStemFormat_Stereo;
  case 3: return AAX_eStemFormat_LCR;
  case 4: return AAX_eStemFormat_Quad;
  case 5: return AAX_eStemFormat_5_0;
  case 6: return AAX_eStemFormat_5_1;
  case 7: return AAX_eStemFormat_6_1;
  case 8: return AAX_eStemFormat_7_1_DTS;
  default: return AAX_eStemFormat_None;
  }
}

AAX_Result IPlugAAX_Describe(AAX_VCollection& collection, const IPlugAAX_Description& description)
{
  AAX_VEffectDescriptor* effect = collection.NewDescriptor();
  if (effect == nullptr)
    return AAX_ERROR_NULL_OBJECT;

  AAX_Result err = AAX_SUCCESS;
  ForEachPiece(description.effectNames, [&](const char* piece) {
    err |= effect->AddName(piece);
    collection.AddPackageName(piece);
  });
  err |= effect->AddCategory(0);

  // Each "in-out" piece of the channel I/O text is one configuration; a piece that does
  // not read as two numbers is skipped without taking a table position.
  const std::string channelIO = description.channelIO != nullptr ? description.channelIO : "";
  int position = 0;
  size_t start = 0;
  while (start < channelIO.size() && position < kMaxConfigurations)
  {
    size_t end = channelIO.find(' ', start);
    if (end == std::string::npos)
      end = channelIO.size();
    const std::string piece = channelIO.substr(start, end - start);
    start = end + 1;
    int inputs = 0;
    int outputs = 0;
    if (std::sscanf(piece.c_str(), "%d-%d", &inputs, &outputs) != 2)
      continue;
    PlugSetup setup;
    setup.needsInputMidi = description.takesMidi;
    setup.inputStemFormat = IPlugAAX_StemFormatFor(std::max(1, inputs));
    setup.outputStemFormat = IPlugAAX_StemFormatFor(outputs);
    setup.manufacturerId = description.manufacturerId;
    setup.productId = description.productId;
    setup.nativeTypeId = description.nativeTypeIds[position];
    setup.audioSuiteTypeId = description.audioSuiteTypeIds[position];
    setup.latency = description.latencyFrames;
    ++position;
    const AAX_Result componentErr = DescribeComponent(*effect, setup);
    if (componentErr != AAX_SUCCESS)
      collection.HandleAssertion("err == AAX_SUCCESS", "IPlugAAX_Describe");
    err |= componentErr;
  }

  err |= effect->AddProcPtr(description.createEffectParameters, kAAX_ProcPtrID_Create_EffectParameters);
  err |= effect->AddProcPtr(description.createGUI, kAAX_ProcPtrID_Create_EffectGUI);

  if (err == AAX_SUCCESS)
  {
    err = collection.AddEffect(description.effectId, effect);
    if (err != AAX_SUCCESS)
      collection.HandleAssertion("err == AAX_SUCCESS", "IPlugAAX_Describe");
  }
  ForEachPiece(description.makerNames, [&](const char* piece) { collection.SetManufacturerName(piece); });
  collection.SetPackageVersion(description.packageVersion);
  return err;
}

AAX_Result GetEffectDescriptions(AAX_VCollection& collection)
{
  return IPlugAAX_Describe(collection, IPlugAAX_ModuleDescription());
}

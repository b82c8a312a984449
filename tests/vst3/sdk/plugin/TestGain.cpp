#include "TestGain.h"

#include "vst3/sdk/interfaces/IBStream.h"
#include "vst3/sdk/interfaces/IParameterChanges.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Steinberg::Vst
{
namespace
{
double gainDbOf(double normalized)
{
  return TestGain::kMinGainDb + normalized * (TestGain::kMaxGainDb - TestGain::kMinGainDb);
}

void putLittleEndian(uint8* out, uint64 value, int bytes)
{
  for (int i = 0; i < bytes; ++i)
    out[i] = static_cast<uint8>(value >> (8 * i));
}

uint64 getLittleEndian(const uint8* in, int bytes)
{
  uint64 value = 0;
  for (int i = 0; i < bytes; ++i)
    value |= static_cast<uint64>(in[i]) << (8 * i);
  return value;
}
} // namespace

TestGain::TestGain() : mGainNormalized((0. - kMinGainDb) / (kMaxGainDb - kMinGainDb))
{
  ++sLiveInstances;
}

TestGain::~TestGain()
{
  --sLiveInstances;
}

tresult PLUGIN_API TestGain::initialize(FUnknown* context)
{
  const tresult result = SingleComponentEffect::initialize(context);
  if (result != kResultOk)
    return result;
  try
  {
    addAudioInput(u"Stereo In", SpeakerArr::kStereo);
    addAudioOutput(u"Stereo Out", SpeakerArr::kStereo);
    auto gain = std::make_unique<RangeParameter>(u"Gain", kGainId, u"dB", kMinGainDb, kMaxGainDb, 0.);
    gain->setPrecision(1);
    gain->setNormalized(mGainNormalized.load());
    parameters.addParameter(std::move(gain));
    auto bypass = std::make_unique<StringListParameter>(
      u"Bypass", kBypassId, nullptr, ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass);
    bypass->appendString(u"off");
    bypass->appendString(u"on");
    bypass->setNormalized(mBypassed.load() ? 1. : 0.);
    parameters.addParameter(std::move(bypass));
  }
  catch (...)
  {
    return kOutOfMemory;
  }
  return kResultOk;
}

tresult PLUGIN_API TestGain::setProcessing(TBool)
{
  return kResultOk;
}

tresult PLUGIN_API TestGain::process(ProcessData& data)
{
  if (IParameterChanges* changes = data.inputParameterChanges)
  {
    for (int32 i = 0; i < changes->getParameterCount(); ++i)
    {
      IParamValueQueue* queue = changes->getParameterData(i);
      int32 offset = 0;
      ParamValue value = 0.;
      if (queue == nullptr || queue->getPointCount() <= 0
          || queue->getPoint(queue->getPointCount() - 1, offset, value) != kResultOk)
        continue;
      if (queue->getParameterId() == kGainId)
        mGainNormalized.store(std::clamp(value, 0., 1.));
      else if (queue->getParameterId() == kBypassId)
        mBypassed.store(value > 0.5);
    }
  }
  if (data.numSamples <= 0 || data.numInputs < 1 || data.numOutputs < 1 || data.inputs == nullptr
      || data.outputs == nullptr || data.symbolicSampleSize != kSample32)
    return kResultOk;

  const AudioBusBuffers& in = data.inputs[0];
  AudioBusBuffers& out = data.outputs[0];
  const float gain = mBypassed.load() ? 1.f : static_cast<float>(std::pow(10., gainDbOf(mGainNormalized.load()) / 20.));
  for (int32 channel = 0; channel < out.numChannels; ++channel)
  {
    float* target = out.channelBuffers32 ? out.channelBuffers32[channel] : nullptr;
    if (target == nullptr)
      continue;
    const float* source =
      channel < in.numChannels && in.channelBuffers32 ? in.channelBuffers32[channel] : nullptr;
    for (int32 n = 0; n < data.numSamples; ++n)
      target[n] = source ? source[n] * gain : 0.f; // read before write: buffers may be shared
  }
  // Gain keeps silence silent; channels without input are silent too.
  const uint64 inputSilence = in.numChannels >= out.numChannels ? in.silenceFlags : 0;
  out.silenceFlags = inputSilence;
  return kResultOk;
}

tresult PLUGIN_API TestGain::getState(IBStream* state)
{
  if (state == nullptr)
    return kInvalidArgument;
  uint8 bytes[kStateBytes];
  double gain = mGainNormalized.load();
  uint64 gainBits = 0;
  static_assert(sizeof(gain) == sizeof(gainBits));
  std::memcpy(&gainBits, &gain, sizeof(gain));
  putLittleEndian(bytes, kStateVersion, 4);
  putLittleEndian(bytes + 4, gainBits, 8);
  putLittleEndian(bytes + 12, mBypassed.load() ? 1 : 0, 4);
  int32 written = 0;
  if (state->write(bytes, kStateBytes, &written) != kResultOk || written != kStateBytes)
    return kResultFalse;
  return kResultOk;
}

tresult PLUGIN_API TestGain::setState(IBStream* state)
{
  if (state == nullptr)
    return kInvalidArgument;
  uint8 bytes[kStateBytes];
  int32 total = 0;
  // Streams may deliver fewer bytes per read than asked.
  while (total < kStateBytes)
  {
    int32 read = 0;
    if (state->read(bytes + total, kStateBytes - total, &read) != kResultOk || read <= 0)
      break;
    total += read;
  }
  if (total != kStateBytes || getLittleEndian(bytes, 4) != kStateVersion)
    return kResultFalse;
  const uint64 gainBits = getLittleEndian(bytes + 4, 8);
  double gain = 0.;
  std::memcpy(&gain, &gainBits, sizeof(gain));
  if (!std::isfinite(gain) || gain < 0. || gain > 1.)
    return kResultFalse;
  const bool bypassed = getLittleEndian(bytes + 12, 4) != 0;
  mGainNormalized.store(gain);
  mBypassed.store(bypassed);
  // One object: the controller's values follow the loaded state directly.
  if (Parameter* parameter = parameters.getParameter(kGainId))
    parameter->setNormalized(gain);
  if (Parameter* parameter = parameters.getParameter(kBypassId))
    parameter->setNormalized(bypassed ? 1. : 0.);
  return kResultOk;
}
} // namespace Steinberg::Vst

// IPlugVST3's audio processor: bus arrangements, set-up, and the process call.
#include "vst3/IPlugVST3.h"

#include "vst3/BindingCalls.h"
#include "vst3/BusBuffers.h"

#include "vst3/sdk/interfaces/IParameterChanges.h"
#include "vst3/sdk/interfaces/SpeakerArrangement.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace vst3buses;
using namespace vst3binding;

namespace
{
// Rates the engine can be prepared for: it runs at the integer rate, and its windows
// grow with the rate.
constexpr double kMinSampleRate = 1.0;
constexpr double kMaxSampleRate = 4.0e6;
} // namespace

// ---- IAudioProcessor ----

tresult PLUGIN_API IPlugVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                                 int32 numOuts)
{
  return Guarded([&]() -> tresult {
    if (numIns < 0 || numOuts < 0 || (numIns > 0 && inputs == nullptr) || (numOuts > 0 && outputs == nullptr))
      return kInvalidArgument;
    PlugLock lock(Mutex());
    // One arrangement per bus, and an output to process into. Only the arrangements the
    // binding itself gives a channel count are taken: a two-channel pair such as C+LFE
    // is not a left and right the detectors could measure as stereo.
    const bool oneEach = numIns == audioInputs.count() && numOuts == audioOutputs.count() && numOuts > 0;
    const bool known = oneEach && (numIns == 0 || IsOwnArrangement(inputs[0])) && IsOwnArrangement(outputs[0]) &&
                       (mSideChainChannels == 0 || numIns < 2 || IsOwnArrangement(inputs[1], mSideChainChannels));
    const int requestedIns = known && numIns > 0 ? channelCountOf(inputs[0]) : 0;
    const int requestedOuts = known ? channelCountOf(outputs[0]) : 0;
    if (!known || !LegalIO(requestedIns, requestedOuts))
    {
      // Refused: the buses show the layout the plug-in suggests instead, the one they
      // were built with, so a host that asks what would do gets an answer it can set.
      SuggestDefaultArrangements();
      return kResultFalse;
    }

    // Accepted: the buses take exactly what was asked for (hosts read it back), in place,
    // so bus order and activation stay as they were.
    ConnectInputChannels(0, NInChannels(), false);
    ConnectOutputChannels(0, NOutChannels(), false);
    if (AudioBus* input = audioInputs.audioAt(0))
    {
      if (input->getArrangement() != inputs[0])
      {
        input->setArrangement(inputs[0]);
        input->setName(Widened("Input"));
      }
      ConnectInputChannels(0, requestedIns, true);
    }
    if (AudioBus* output = audioOutputs.audioAt(0))
    {
      if (output->getArrangement() != outputs[0])
      {
        output->setArrangement(outputs[0]);
        output->setName(Widened("Output"));
      }
      ConnectOutputChannels(0, requestedOuts, true);
    }
    if (mSideChainChannels != 0)
    {
      AudioBus* sideChain = audioInputs.audioAt(1);
      if (sideChain != nullptr && sideChain->getArrangement() != inputs[1])
      {
        sideChain->setArrangement(inputs[1]);
        sideChain->setName(Widened("Sidechain Input"));
      }
    }
    RefreshBusShapes();
    return kResultTrue;
  });
}

void IPlugVST3::SuggestDefaultArrangements()
{
  // The arrangements the buses were built with (stereo for this product's "1-1 2-2").
  const SpeakerArrangement suggested[] = {ArrangementFor(NInChannels() - mSideChainChannels),
                                          IsInstrument() ? SpeakerArr::kStereo : ArrangementFor(NOutChannels())};
  AudioBus* input = audioInputs.audioAt(0);
  AudioBus* output = audioOutputs.audioAt(0);
  if (input != nullptr && input->getArrangement() != suggested[0])
  {
    input->setArrangement(suggested[0]);
    input->setName(Widened("Input"));
  }
  if (output != nullptr && output->getArrangement() != suggested[1])
  {
    output->setArrangement(suggested[1]);
    output->setName(Widened("Output"));
  }
  if (AudioBus* sideChain = mSideChainChannels != 0 ? audioInputs.audioAt(1) : nullptr)
    if (sideChain->getArrangement() != ArrangementFor(mSideChainChannels))
    {
      sideChain->setArrangement(ArrangementFor(mSideChainChannels));
      sideChain->setName(Widened("Sidechain Input"));
    }
  // The channels follow what the buses now say.
  ConnectInputChannels(0, NInChannels(), false);
  ConnectOutputChannels(0, NOutChannels(), false);
  ConnectInputChannels(0, input != nullptr ? input->getChannelCount() : 0, true);
  ConnectOutputChannels(0, output != nullptr ? output->getChannelCount() : 0, true);
  RefreshBusShapes();
}

tresult PLUGIN_API IPlugVST3::canProcessSampleSize(int32 symbolicSampleSize)
{
  return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API IPlugVST3::getLatencySamples()
{
  return static_cast<uint32>(Latency());
}

tresult PLUGIN_API IPlugVST3::setupProcessing(ProcessSetup& setup)
{
  return Guarded([&]() -> tresult {
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue)
      return kResultFalse;
    if (setup.maxSamplesPerBlock <= 0 || !(setup.sampleRate >= kMinSampleRate && setup.sampleRate <= kMaxSampleRate))
      return kResultFalse;
    PlugLock lock(Mutex());
    // A block still in flight keeps its rate and buffers: they change once it is ours.
    ClaimProcessor(true);
    SetSampleRate(setup.sampleRate);
    SetBlockFrames(setup.maxSamplesPerBlock);
    ResetProcessing();
    processSetup = setup;
    return kResultOk;
  });
}

uint32 PLUGIN_API IPlugVST3::getTailSamples()
{
  return static_cast<uint32>(TailLength());
}

IPlugVST3::BlockKind IPlugVST3::ClassifyBlock(const ProcessData& data) const
{
  if (data.numSamples < 0 || data.numInputs < 0 || data.numOutputs < 0)
    return BlockKind::kInvalid;
  if (data.symbolicSampleSize != kSample32 && data.symbolicSampleSize != kSample64)
    return BlockKind::kInvalid;
  if (data.numSamples == 0 || (data.numInputs == 0 && data.numOutputs == 0))
    return BlockKind::kFlush;
  if (data.numInputs != mInputShape.count || data.numOutputs != mOutputShape.count)
    return BlockKind::kInvalid;
  if ((data.numInputs > 0 && data.inputs == nullptr) || (data.numOutputs > 0 && data.outputs == nullptr))
    return BlockKind::kInvalid;
  const bool complete = data.symbolicSampleSize == kSample32
                            ? BuffersMatch<float>(data.inputs, mInputShape, audioInputs) &&
                                  BuffersMatch<float>(data.outputs, mOutputShape, audioOutputs)
                            : BuffersMatch<double>(data.inputs, mInputShape, audioInputs) &&
                                  BuffersMatch<double>(data.outputs, mOutputShape, audioOutputs);
  return complete ? BlockKind::kAudio : BlockKind::kInvalid;
}

template <typename Sample>
bool IPlugVST3::BuffersMatch(const AudioBusBuffers* buses, const BusShape& shape, const BusList& list) const
{
  if (shape.count > BusShape::kCapacity)
    return BusesComplete<Sample>(buses, list); // more buses than kept: asked of each bus
  for (int32 i = 0; i < shape.count; ++i)
    if (shape.used[i] && !BusComplete<Sample>(buses[i], shape.channels[i]))
      return false;
  return true;
}

void IPlugVST3::RefreshBusShapes()
{
  const auto refresh = [](BusShape& shape, const BusList& list) {
    shape.count = list.count();
    for (int32 i = 0; i < std::min(shape.count, BusShape::kCapacity); ++i)
    {
      const Bus* bus = list.at(i);
      // An inactive side-chain is not read, whatever the host put there.
      shape.used[i] = bus->getBusType() == kMain || bus->isActive();
      shape.channels[i] = bus->getChannelCount();
    }
  };
  refresh(mInputShape, audioInputs);
  refresh(mOutputShape, audioOutputs);
}

void IPlugVST3::ApplyParameterChanges(IParameterChanges* changes)
{
  if (changes == nullptr)
    return;
  const int32 queues = changes->getParameterCount();
  for (int32 q = 0; q < queues; ++q)
  {
    IParamValueQueue* queue = changes->getParameterData(q);
    if (queue == nullptr)
      continue;
    const int32 points = queue->getPointCount();
    if (points <= 0)
      continue;
    int32 offset = 0;
    ParamValue value = 0.0;
    if (queue->getPoint(points - 1, offset, value) != kResultOk || !std::isfinite(value))
      continue;
    const ParamID id = queue->getParameterId();
    value = std::clamp(value, 0.0, 1.0);
    if (!BlockWithoutMutex())
    {
      ApplyQueuedHostValue(id, value);
      continue;
    }
    const int slot = HostValueSlot(id);
    if (slot < 0)
      continue;
    // The engine and the bypass take the value now, so this block plays it as a block
    // with the mutex would; the parameter itself is handed over below, in arrival order.
    if (id < static_cast<ParamID>(ParamCount()) && HostCode() != kHostLive)
      HostValueToEngine(static_cast<int>(id), value);
    else if (id == kBypassParamId)
      SetBypassed(value > 0.5);
    else if (id == kPresetParamId)
      PresetToEngine(static_cast<int>(value * PresetCount()));
    const uint64_t posted = mDeferredPosted.load(std::memory_order_relaxed);
    if (!mHasDeferredOverflow.load(std::memory_order_acquire) &&
        posted - mDeferredTaken.load(std::memory_order_acquire) < kDeferredCapacity)
    {
      mDeferredRing[posted % kDeferredCapacity] = {id, value};
      mDeferredPosted.store(posted + 1, std::memory_order_release);
    }
    else
    {
      mDeferredOverflow[static_cast<size_t>(slot)].store(value, std::memory_order_relaxed);
      mHasDeferredOverflow.store(true, std::memory_order_release);
    }
  }
}

void IPlugVST3::ApplyDeferredHostValues()
{
  const LocklessHandOver handOver(*this);
  uint64_t taken = mDeferredTaken.load(std::memory_order_relaxed);
  const uint64_t posted = mDeferredPosted.load(std::memory_order_acquire);
  for (; taken != posted; ++taken)
  {
    LocklessValuesApplied(taken); // what a block did after the first `taken` values
    const DeferredHostValue deferred = mDeferredRing[taken % kDeferredCapacity];
    mDeferredTaken.store(taken + 1, std::memory_order_release);
    ApplyQueuedHostValue(deferred.id, deferred.normalized);
  }
  if (!mHasDeferredOverflow.load(std::memory_order_acquire))
  {
    LocklessValuesApplied(posted);
    return;
  }
  const auto take = [this](int slot, ParamID id) {
    const double value =
        mDeferredOverflow[static_cast<size_t>(slot)].exchange(std::numeric_limits<double>::quiet_NaN());
    if (!std::isnan(value))
      ApplyQueuedHostValue(id, value);
  };
  mHasDeferredOverflow.store(false, std::memory_order_release);
  take(ParamCount() + 1, kPresetParamId);
  take(ParamCount(), kBypassParamId);
  for (int i = 0; i < ParamCount(); ++i)
    take(i, static_cast<ParamID>(i));
  LocklessValuesApplied(std::numeric_limits<uint64_t>::max()); // the order was given up
}

void IPlugVST3::ApplyQueuedHostValue(ParamID id, ParamValue normalized)
{
  if (id == kBypassParamId)
  {
    SetBypassed(normalized > 0.5);
    KeepHostValue(HostValueSlot(id), normalized);
  }
  else if (id == kPresetParamId)
  {
    // Value 1.0 asks for index = preset count, which is refused. The preset's values were
    // kept when it was stored, so no state is read on the audio thread. What the recall
    // changed is reported back, so the host's view of each parameter follows.
    for (int i = 0; i < ParamCount(); ++i)
      mValuesBeforeRecall[static_cast<size_t>(i)] = ParamAt(i)->Value();
    if (RecallPresetValues(static_cast<int>(normalized * PresetCount())))
    {
      ForgetHostValues();
      for (int i = 0; i < ParamCount(); ++i)
        if (ParamAt(i)->Value() != mValuesBeforeRecall[static_cast<size_t>(i)])
          InformHostOfParamChange(i, ParamAt(i)->ToNormalized());
    }
  }
  else if (id < static_cast<ParamID>(ParamCount()))
  {
    if (HostCode() == kHostLive)
      return; // that host's parameter values are not taken; its bypass and preset are
    const int index = static_cast<int>(id);
    // The controller keeps the host's value with the parameter's value after the product
    // took it (a value re-sent within the parameter's resolution leaves the parameter as
    // it was), so the host reads back exactly what it sent.
    IPlugBase::ApplyHostValue(index, normalized);
    KeepHostValue(index, normalized);
  }
}

template <typename Sample>
void IPlugVST3::BindHostBuffers(ProcessData& data)
{
  const int frames = data.numSamples;
  if (data.numInputs > 0)
  {
    Sample** mainChannels = ChannelsOf<Sample>(data.inputs[0]);
    if (mSideChainChannels != 0)
    {
      const int mainCount = NInChannels() - mSideChainChannels;
      const AudioBus* sideChain = audioInputs.audioAt(1);
      const bool sideChainActive = sideChain != nullptr && sideChain->isActive() && data.numInputs > 1;
      ConnectInputChannels(0, NInChannels(), true);
      if (sideChainActive)
      {
        mSideChainConnected = true;
      }
      else
      {
        if (mSideChainConnected)
        {
          ClearScratchBuffers(); // no stale side-chain samples in the scratch
          mSideChainConnected = false;
        }
        ConnectInputChannels(data.inputs[0].numChannels, mainCount, false);
      }
      BindInputBuffers(0, std::min(mainCount, data.inputs[0].numChannels), mainChannels, frames);
      if (sideChainActive)
        BindInputBuffers(mainCount, std::min(mSideChainChannels, data.inputs[1].numChannels),
                         ChannelsOf<Sample>(data.inputs[1]), frames);
    }
    else
    {
      BindInputBuffers(0, std::min(NInChannels(), data.inputs[0].numChannels), mainChannels, frames);
    }
  }
  int firstChannel = 0;
  for (int32 b = 0; b < data.numOutputs; ++b)
  {
    BindOutputBuffers(firstChannel, data.outputs[b].numChannels, ChannelsOf<Sample>(data.outputs[b]));
    firstChannel += data.outputs[b].numChannels;
  }
}


tresult PLUGIN_API IPlugVST3::process(ProcessData& data)
{
  // The mutex is taken when free; when another thread holds it, the block usually runs
  // without it (see AudioBlockLock), and then touches no parameter.
  const AudioBlockLock blockLock(*this);
  const BlockKind kind = ClassifyBlock(data);
  if (kind == BlockKind::kInvalid)
    return kInvalidArgument;

  const AudioThreadScope audioThread(*this);
  if (data.processContext != nullptr)
  {
    mProcessContext = *data.processContext;
    mHasProcessContext = true;
  }
  if (!BlockWithoutMutex())
  {
    // What blocks without the mutex left comes before this block's own values.
    ApplyDeferredHostValues();
    TakeHandedOverChanges();
  }
  ApplyParameterChanges(data.inputParameterChanges);

  if (kind == BlockKind::kAudio)
  {
    const bool wide = data.symbolicSampleSize == kSample64;
    const bool direct = wide && !IsBypassed() && data.numInputs == 1 && data.numOutputs == 1 &&
                        mSideChainChannels == 0 &&
                        RunProcessingOnHostBuffers(data.inputs[0].channelBuffers64, data.inputs[0].numChannels,
                                                   data.outputs[0].channelBuffers64, data.outputs[0].numChannels,
                                                   data.numSamples);
    if (!direct)
    {
      if (wide)
        BindHostBuffers<double>(data);
      else
        BindHostBuffers<float>(data);
      if (IsBypassed())
        CopyInputsToOutputs(data.numSamples);
      else
        RunProcessing(data.numSamples);
    }
    for (int32 b = 0; b < data.numOutputs; ++b)
      data.outputs[b].silenceFlags = data.symbolicSampleSize == kSample32
                                         ? SilentChannels<float>(data.outputs[b], data.numSamples)
                                         : SilentChannels<double>(data.outputs[b], data.numSamples);
  }
  else
  {
    TakeHandedOverChanges(); // a flush
  }
  ReportQueuedValues(data.outputParameterChanges);
  return kResultOk;
}

void IPlugVST3::ReportQueuedValues(IParameterChanges* changes)
{
  if (changes == nullptr)
    return;
  for (int i = 0; i < ParamCount(); ++i)
  {
    double& value = mQueuedValues[static_cast<size_t>(i)];
    if (std::isnan(value))
      continue;
    int32 queueIndex = 0;
    if (IParamValueQueue* queue = changes->addParameterData(static_cast<ParamID>(i), queueIndex))
    {
      int32 pointIndex = 0;
      queue->addPoint(0, value, pointIndex);
    }
    value = std::numeric_limits<double>::quiet_NaN();
  }
}

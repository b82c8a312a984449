#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IAutomationDelegate.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IController.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IMIDINode.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_ITransport.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IViewContainer.h"

#include <mutex>
#include <string>
#include <vector>

// The host's side of one instance: what the plug-in reads from the host and what it
// tells it, recorded for tests.
namespace aaxhost
{
class Controller final : public AAX_IController
{
public:
  Controller(double sampleRate, AAX_EStemFormat input, AAX_EStemFormat output)
      : mSampleRate(sampleRate), mInput(input), mOutput(output)
  {
  }
  AAX_Result GetSampleRate(double* sampleRate) const override;
  AAX_Result GetInputStemFormat(AAX_EStemFormat* format) const override;
  AAX_Result GetOutputStemFormat(AAX_EStemFormat* format) const override;
  AAX_Result SetSignalLatency(int32_t samples) override;
  void HandleAssertion(const char* condition, const char* source) override;

  int32_t Latency() const { return mLatency; }
  std::vector<std::string> Assertions() const;

private:
  double mSampleRate;
  AAX_EStemFormat mInput;
  AAX_EStemFormat mOutput;
  int32_t mLatency = 0;
  mutable std::mutex mMutex;
  std::vector<std::string> mAssertions;
};

// A transport the test sets; while playing, each render advances it by its frames.
class Transport final : public AAX_ITransport
{
public:
  AAX_Result GetCurrentTempo(double* bpm) const override;
  AAX_Result GetCurrentMeter(int32_t* numerator, int32_t* denominator) const override;
  AAX_Result IsTransportPlaying(bool* playing) const override;
  AAX_Result GetCurrentNativeSampleLocation(int64_t* sample) const override;
  AAX_Result GetCurrentTickPosition(int64_t* ticks) const override;
  AAX_Result GetCurrentLoopPosition(bool* looping, int64_t* startTicks, int64_t* endTicks) const override;

  void Advance(int frames, double sampleRate);

  double tempoBpm = 120.0;
  int32_t numerator = 4;
  int32_t denominator = 4;
  bool playing = false;
  int64_t sample = 0;
  int64_t ticks = 0;
  bool looping = false;
  int64_t loopStartTicks = 0;
  int64_t loopEndTicks = 0;
};

// A MIDI node: its packets for the next block, and the transport for the transport node.
class MIDINode final : public AAX_IMIDINode
{
public:
  explicit MIDINode(AAX_ITransport* transport) : mTransport(transport) {}
  const AAX_CMidiStream* GetNodeBuffer() const override { return &mStream; }
  AAX_ITransport* GetTransport() override { return mTransport; }

private:
  AAX_ITransport* mTransport;
  AAX_CMidiStream mStream{};
};

// The host's automation: records touch / set / release in order and keeps the values
// to send back. Real-time safe: records go into storage reserved up front, and what does
// not fit is counted as dropped.
class Automation final : public AAX_IAutomationDelegate
{
public:
  struct Event
  {
    enum class Kind
    {
      kTouch,
      kSet,
      kRelease
    };
    Kind kind;
    char id[AAX_kMaxNameBytes];
    double value;
  };
  static constexpr size_t kCapacity = 4096;

  Automation() { mEvents.reserve(kCapacity); }
  AAX_Result TouchParameter(AAX_CParamID id) override;
  AAX_Result PostSetValueRequest(AAX_CParamID id, double normalized) override;
  AAX_Result ReleaseParameter(AAX_CParamID id) override;

  std::vector<Event> Events() const;
  // The events since the last call, and forgets them.
  std::vector<Event> TakeEvents();
  size_t Dropped() const;

private:
  AAX_Result Record(Event::Kind kind, AAX_CParamID id, double value);
  mutable std::mutex mMutex;
  std::vector<Event> mEvents;
  size_t mTaken = 0;
  size_t mDropped = 0;
};

// A view container with a native window (or none), recording size requests.
class ViewContainer final : public AAX_IViewContainer
{
public:
  ViewContainer(int32_t type, void* window) : mType(type), mWindow(window) {}
  int32_t GetType() override { return mType; }
  void* GetPtr() override { return mWindow; }
  AAX_Result SetViewSize(AAX_Point& size) override;
  const std::vector<AAX_Point>& SizeRequests() const { return mSizeRequests; }

private:
  int32_t mType;
  void* mWindow;
  std::vector<AAX_Point> mSizeRequests;
};
} // namespace aaxhost

#include "tools/aaxhost/HostObjects.h"

#include <algorithm>
#include <cstring>

namespace aaxhost
{
AAX_Result Controller::GetSampleRate(double* sampleRate) const
{
  if (sampleRate == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *sampleRate = mSampleRate;
  return AAX_SUCCESS;
}

AAX_Result Controller::GetInputStemFormat(AAX_EStemFormat* format) const
{
  if (format == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *format = mInput;
  return AAX_SUCCESS;
}

AAX_Result Controller::GetOutputStemFormat(AAX_EStemFormat* format) const
{
  if (format == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *format = mOutput;
  return AAX_SUCCESS;
}

AAX_Result Controller::SetSignalLatency(int32_t samples)
{
  if (samples < 0)
    return AAX_ERROR_INVALID_ARGUMENT;
  mLatency = samples;
  return AAX_SUCCESS;
}

void Controller::HandleAssertion(const char* condition, const char* source)
{
  const std::lock_guard<std::mutex> lock(mMutex);
  mAssertions.push_back(std::string(source != nullptr ? source : "") + ": " + (condition != nullptr ? condition : ""));
}

std::vector<std::string> Controller::Assertions() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mAssertions;
}

AAX_Result Transport::GetCurrentTempo(double* bpm) const
{
  if (bpm == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *bpm = tempoBpm;
  return AAX_SUCCESS;
}

AAX_Result Transport::GetCurrentMeter(int32_t* num, int32_t* den) const
{
  if (num == nullptr || den == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *num = numerator;
  *den = denominator;
  return AAX_SUCCESS;
}

AAX_Result Transport::IsTransportPlaying(bool* isPlaying) const
{
  if (isPlaying == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *isPlaying = playing;
  return AAX_SUCCESS;
}

AAX_Result Transport::GetCurrentNativeSampleLocation(int64_t* location) const
{
  if (location == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *location = sample;
  return AAX_SUCCESS;
}

AAX_Result Transport::GetCurrentTickPosition(int64_t* position) const
{
  if (position == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *position = ticks;
  return AAX_SUCCESS;
}

AAX_Result Transport::GetCurrentLoopPosition(bool* isLooping, int64_t* startTicks, int64_t* endTicks) const
{
  if (isLooping == nullptr || startTicks == nullptr || endTicks == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *isLooping = looping;
  *startTicks = loopStartTicks;
  *endTicks = loopEndTicks;
  return AAX_SUCCESS;
}

void Transport::Advance(int frames, double sampleRate)
{
  if (!playing || frames <= 0 || !(sampleRate > 0.0))
    return;
  sample += frames;
  const double quarters = frames / sampleRate * tempoBpm / 60.0;
  ticks += static_cast<int64_t>(quarters * static_cast<double>(AAX_kTicksPerQuarter));
}

AAX_Result Automation::Record(Event::Kind kind, AAX_CParamID id, double value)
{
  if (id == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  Event event{kind, {}, value};
  std::strncpy(event.id, id, sizeof event.id - 1);
  const std::lock_guard<std::mutex> lock(mMutex);
  if (mEvents.size() >= mEvents.capacity())
  {
    ++mDropped;
    return AAX_ERROR_BUFFER_TOO_SMALL;
  }
  mEvents.push_back(event);
  return AAX_SUCCESS;
}

AAX_Result Automation::TouchParameter(AAX_CParamID id) { return Record(Event::Kind::kTouch, id, 0.0); }
AAX_Result Automation::PostSetValueRequest(AAX_CParamID id, double normalized)
{
  return Record(Event::Kind::kSet, id, normalized);
}
AAX_Result Automation::ReleaseParameter(AAX_CParamID id) { return Record(Event::Kind::kRelease, id, 0.0); }

std::vector<Automation::Event> Automation::Events() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mEvents;
}

std::vector<Automation::Event> Automation::TakeEvents()
{
  const std::lock_guard<std::mutex> lock(mMutex);
  std::vector<Event> taken(mEvents.begin() + static_cast<std::ptrdiff_t>(mTaken), mEvents.end());
  mTaken = mEvents.size();
  if (mTaken == mEvents.capacity())
  {
    mEvents.clear(); // room again, without reallocating
    mTaken = 0;
  }
  return taken;
}

size_t Automation::Dropped() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mDropped;
}

AAX_Result ViewContainer::SetViewSize(AAX_Point& size)
{
  mSizeRequests.push_back(size);
  return AAX_SUCCESS;
}
} // namespace aaxhost

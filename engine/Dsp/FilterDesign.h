#pragma once

#include "engine/Dsp/Filter.h"

#include <array>
#include <cstddef>

namespace Dsp
{

// A Filter whose coefficients come from Design, which provides the static
// description (kKind, kName, kParamCount, paramInfo), the stage storage
// (kMaxStages, stages(), digitalPairs(), response()) and
// setup(params) returning an empty text on success or the reason for refusing.
template <class Design>
class FilterDesignBase : public Filter
{
public:
  Kind kind() const override { return Design::kKind; }
  std::string_view name() const override { return Design::kName; }
  int paramCount() const override { return Design::kParamCount; }
  ParamInfo paramInfo(int index) const override { return Design::paramInfo(index); }
  std::span<const PoleZeroPair> poleZeroPairs() const override { return mDesign.digitalPairs(); }

  std::complex<double> frequencyResponse(double normalizedFrequency) const override
  {
    return mDesign.response(normalizedFrequency);
  }

  bool applyParams(const Params& params) override
  {
    const std::string_view error = mDesign.setup(params);
    setLastError(error);
    return error.empty();
  }

  const Design& design() const { return mDesign; }

protected:
  Design mDesign;
};

// The design run over Channels channels, each with its own StateType delay line per
// stage. The first stage of each channel gets an offset of 1e-8 whose sign flips
// every sample: it keeps the recursion out of denormal numbers on silence, and as a
// signal at Nyquist it is removed by a low-pass design.
template <class Design, int Channels, class StateType>
class FilterDesign : public FilterDesignBase<Design>
{
public:
  int numChannels() const override { return Channels; }

  void reset() override
  {
    for (ChannelState& channel : mChannels)
      for (StateType& stage : channel.stages)
        stage.reset();
  }

  void process(int frames, double* const* channels) override { processSamples(frames, channels); }
  void process(int frames, float* const* channels) override { processSamples(frames, channels); }

private:
  struct ChannelState
  {
    double antiDenormal = 1e-8;
    std::array<StateType, Design::kMaxStages> stages{};
  };

  template <class Sample>
  void processSamples(int frames, Sample* const* channels)
  {
    if (channels == nullptr || frames <= 0)
      return;
    const std::span<const Biquad> stages = this->mDesign.stages();
    for (int c = 0; c < Channels; ++c)
    {
      Sample* samples = channels[c];
      if (samples == nullptr)
        continue;
      ChannelState& state = mChannels[static_cast<std::size_t>(c)];
      for (int i = 0; i < frames; ++i)
      {
        state.antiDenormal = -state.antiDenormal;
        double y = samples[i];
        double offset = state.antiDenormal;
        for (std::size_t s = 0; s < stages.size(); ++s)
        {
          y = state.stages[s].process(y, stages[s], offset);
          offset = 0.0;
        }
        samples[i] = static_cast<Sample>(y);
      }
    }
  }

  std::array<ChannelState, Channels> mChannels{};
};

} // namespace Dsp

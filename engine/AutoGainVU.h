#pragma once

#include "engine/AutoGainBase.h"

// VU ballistics ("VU (-18)"): the per-frame peak across channels, scaled so that a
// rectified sine reads its peak, through two cascaded one-pole smoothers that each cover
// 99 % of a step in 200 ms. 0 VU is -18 dBFS.
class AutoGainVU final : public AutoGainBase
{
public:
  double measure(const double* const* channels, int frames) override;
  void setSampleRate(int32_t rate) override;
  void reset() override;

  static constexpr double kReferenceDbfs = -18.0;
  static constexpr double kIntegrationSeconds = 0.2;

private:
  double mStage1 = 0.0;
  double mStage2 = 0.0;
  int32_t mRate = 44100;
  double mStage1Rise = 0.0;
  double mStage1Fall = 0.0;
  double mStage2Rise = 0.0;
  double mStage2Fall = 0.0;
};

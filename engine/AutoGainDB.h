#pragma once

#include "engine/AutoGainBase.h"

// Sample peak ("dBFS"): the largest magnitude over both channels and the whole block,
// with no hold between blocks.
class AutoGainDB final : public AutoGainBase
{
public:
  double measure(const double* const* channels, int frames) override;
  void setSampleRate(int32_t) override {}
  void reset() override {}
};

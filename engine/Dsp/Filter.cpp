#include "engine/Dsp/Filter.h"

namespace Dsp
{

bool Filter::assignParams(const Params& params)
{
  mParams = params;
  return applyParams(mParams);
}

} // namespace Dsp

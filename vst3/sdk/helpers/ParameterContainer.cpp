#include "vst3/sdk/helpers/ParameterContainer.h"

namespace Steinberg::Vst
{
Parameter* ParameterContainer::addParameter(std::unique_ptr<Parameter> parameter)
{
  if (!parameter)
    return nullptr;
  const ParamID id = parameter->getID();
  if (id > kMaxParamId || mIndexById.count(id) != 0)
    return nullptr;
  mIndexById.emplace(id, mParameters.size());
  mParameters.push_back(std::move(parameter));
  return mParameters.back().get();
}

Parameter* ParameterContainer::addParameter(const ParameterInfo& info)
{
  return addParameter(std::make_unique<Parameter>(info));
}

Parameter* ParameterContainer::addParameter(const TChar* title, const TChar* units, int32 stepCount,
                                            ParamValue defaultNormalized, int32 flags, ParamID id, UnitID unitId,
                                            const TChar* shortTitle)
{
  if (id == kNoParamId)
    id = static_cast<ParamID>(mParameters.size());
  return addParameter(
    std::make_unique<Parameter>(title, id, units, defaultNormalized, stepCount, flags, unitId, shortTitle));
}

Parameter* ParameterContainer::getParameter(ParamID id) const noexcept
{
  const auto found = mIndexById.find(id);
  return found == mIndexById.end() ? nullptr : mParameters[found->second].get();
}

Parameter* ParameterContainer::getParameterByIndex(int32 index) const noexcept
{
  if (index < 0 || index >= getParameterCount())
    return nullptr;
  return mParameters[static_cast<std::size_t>(index)].get();
}

bool ParameterContainer::removeParameter(ParamID id)
{
  const auto found = mIndexById.find(id);
  if (found == mIndexById.end())
    return false;
  const std::size_t removed = found->second;
  mIndexById.erase(found);
  mParameters.erase(mParameters.begin() + static_cast<std::ptrdiff_t>(removed));
  for (auto& entry : mIndexById)
  {
    if (entry.second > removed)
      --entry.second;
  }
  return true;
}

void ParameterContainer::removeAll() noexcept
{
  mParameters.clear();
  mIndexById.clear();
}
} // namespace Steinberg::Vst

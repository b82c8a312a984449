#pragma once

#include "vst3/sdk/helpers/Parameter.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace Steinberg::Vst
{
// The parameters of a controller in the order they were added (the index order the host
// sees), with lookup by ID. IDs are unique: adding a parameter whose ID is taken, or whose
// ID has bit 31 set, is refused.
class ParameterContainer
{
public:
  ParameterContainer() = default;
  ParameterContainer(const ParameterContainer&) = delete;
  ParameterContainer& operator=(const ParameterContainer&) = delete;

  // Takes ownership; returns the parameter, or null when refused (the parameter is dropped).
  Parameter* addParameter(std::unique_ptr<Parameter> parameter);
  Parameter* addParameter(const ParameterInfo& info);
  // id kNoParamId assigns the current parameter count as ID.
  Parameter* addParameter(const TChar* title, const TChar* units = nullptr, int32 stepCount = 0,
                          ParamValue defaultNormalized = 0., int32 flags = ParameterInfo::kCanAutomate,
                          ParamID id = kNoParamId, UnitID unitId = kRootUnitId, const TChar* shortTitle = nullptr);

  int32 getParameterCount() const noexcept { return static_cast<int32>(mParameters.size()); }
  // Null for an unknown ID or an index out of range.
  Parameter* getParameter(ParamID id) const noexcept;
  Parameter* getParameterByIndex(int32 index) const noexcept;

  // Removes one parameter; later ones move down one index. False for an unknown ID.
  bool removeParameter(ParamID id);
  void removeAll() noexcept;

private:
  std::vector<std::unique_ptr<Parameter>> mParameters;
  std::unordered_map<ParamID, std::size_t> mIndexById;
};
} // namespace Steinberg::Vst

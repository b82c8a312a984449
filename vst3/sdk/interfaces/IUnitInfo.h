#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

#include <cstddef>

namespace Steinberg
{
class IBStream;

namespace Vst
{
inline constexpr UnitID kRootUnitId = 0;
inline constexpr UnitID kNoParentUnitId = -1;
inline constexpr ProgramListID kNoProgramListId = -1;
inline constexpr int32 kAllProgramInvalid = -1; // IUnitHandler::notifyProgramListChange

struct UnitInfo
{
  UnitID id;
  UnitID parentUnitId;
  String128 name; // required except for the root unit
  ProgramListID programListId;
};

struct ProgramListInfo
{
  ProgramListID id;
  String128 name;
  int32 programCount;
};

// Units (parameter groups) and program lists of a controller.
class IUnitInfo : public FUnknown
{
public:
  virtual int32 PLUGIN_API getUnitCount() = 0; // at least 1: the root unit
  virtual tresult PLUGIN_API getUnitInfo(int32 unitIndex, UnitInfo& info) = 0;
  virtual int32 PLUGIN_API getProgramListCount() = 0;
  virtual tresult PLUGIN_API getProgramListInfo(int32 listIndex, ProgramListInfo& info) = 0;
  virtual tresult PLUGIN_API getProgramName(ProgramListID listId, int32 programIndex, String128 name) = 0;
  virtual tresult PLUGIN_API getProgramInfo(ProgramListID listId, int32 programIndex, CString attributeId,
                                            String128 attributeValue) = 0;
  virtual tresult PLUGIN_API hasProgramPitchNames(ProgramListID listId, int32 programIndex) = 0;
  virtual tresult PLUGIN_API getProgramPitchName(ProgramListID listId, int32 programIndex, int16 midiPitch,
                                                 String128 name) = 0;
  virtual UnitID PLUGIN_API getSelectedUnit() = 0;
  virtual tresult PLUGIN_API selectUnit(UnitID unitId) = 0;
  virtual tresult PLUGIN_API getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32 channel,
                                          UnitID& unitId) = 0;
  virtual tresult PLUGIN_API setUnitProgramData(int32 listOrUnitId, int32 programIndex, IBStream* data) = 0;

  static constexpr const int8* iid = InterfaceIds::kIUnitInfo.data();
};

// Host side, optional: queried from the component handler.
class IUnitHandler : public FUnknown
{
public:
  virtual tresult PLUGIN_API notifyUnitSelection(UnitID unitId) = 0;
  virtual tresult PLUGIN_API notifyProgramListChange(ProgramListID listId, int32 programIndex) = 0;

  static constexpr const int8* iid = InterfaceIds::kIUnitHandler.data();
};

static_assert(sizeof(UnitInfo) == 268 && alignof(UnitInfo) == 4);
static_assert(offsetof(UnitInfo, name) == 8 && offsetof(UnitInfo, programListId) == 264);
static_assert(sizeof(ProgramListInfo) == 264 && alignof(ProgramListInfo) == 4);
static_assert(offsetof(ProgramListInfo, name) == 4 && offsetof(ProgramListInfo, programCount) == 260);
} // namespace Vst
} // namespace Steinberg

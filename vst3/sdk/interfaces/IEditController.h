#pragma once

#include "vst3/sdk/interfaces/IPluginBase.h"

#include <cstddef>

namespace Steinberg
{
class IBStream;
class IPlugView;

namespace Vst
{
class IComponentHandler;

inline constexpr ParamID kNoParamId = 0xFFFFFFFFu;
inline constexpr ParamID kMinParamId = 0;
inline constexpr ParamID kMaxParamId = 0x7FFFFFFFu; // IDs with bit 31 set are invalid

struct ParameterInfo
{
  enum ParameterFlags
  {
    kNoFlags = 0,
    kCanAutomate = 1 << 0,
    kIsReadOnly = 1 << 1, // implies not kCanAutomate
    kIsWrapAround = 1 << 2,
    kIsList = 1 << 3,
    kIsHidden = 1 << 4, // implies read-only, not automatable
    kIsProgramChange = 1 << 15,
    kIsBypass = 1 << 16 // at most one; only kCanAutomate may accompany it
  };

  ParamID id;
  String128 title;
  String128 shortTitle;
  String128 units;
  int32 stepCount; // 0 continuous, 1 toggle, n > 1: n + 1 discrete values
  ParamValue defaultNormalizedValue;
  UnitID unitId;
  int32 flags; // ParameterFlags
};

enum KnobModes
{
  kCircularMode = 0,
  kRelativCircularMode,
  kLinearMode
};

// The controller part of a plug-in. Values crossing it are normalized (0 .. 1) unless a
// name says plain.
class IEditController : public IPluginBase
{
public:
  // The bytes IComponent::getState wrote, so the controller can mirror the values.
  virtual tresult PLUGIN_API setComponentState(IBStream* state) = 0;
  // The controller's own state (slots 6 and 7). Named apart from IComponent's state pair,
  // which has the same signature: one object implementing both interfaces must be able to
  // give the four slots different functions.
  virtual tresult PLUGIN_API setEditorState(IBStream* state) = 0;
  virtual tresult PLUGIN_API getEditorState(IBStream* state) = 0;
  virtual int32 PLUGIN_API getParameterCount() = 0;
  virtual tresult PLUGIN_API getParameterInfo(int32 paramIndex, ParameterInfo& info) = 0;
  virtual tresult PLUGIN_API getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) = 0;
  virtual tresult PLUGIN_API getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) = 0;
  virtual ParamValue PLUGIN_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
  virtual ParamValue PLUGIN_API plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
  virtual ParamValue PLUGIN_API getParamNormalized(ParamID id) = 0;
  // From the host: updates the controller only, never echoed back through the handler.
  virtual tresult PLUGIN_API setParamNormalized(ParamID id, ParamValue value) = 0;
  virtual tresult PLUGIN_API setComponentHandler(IComponentHandler* handler) = 0;
  // A new view with one reference for the caller, or null. name is "editor".
  virtual IPlugView* PLUGIN_API createView(FIDString name) = 0;

  static constexpr const int8* iid = InterfaceIds::kIEditController.data();
};

class IEditController2 : public FUnknown
{
public:
  virtual tresult PLUGIN_API setKnobMode(KnobMode mode) = 0; // kResultFalse: not supported
  virtual tresult PLUGIN_API openHelp(TBool onlyCheck) = 0;
  virtual tresult PLUGIN_API openAboutBox(TBool onlyCheck) = 0;

  static constexpr const int8* iid = InterfaceIds::kIEditController2.data();
};

// Optional: the host edits a parameter itself (e.g. a hardware controller).
class IEditControllerHostEditing : public FUnknown
{
public:
  virtual tresult PLUGIN_API beginEditFromHost(ParamID paramID) = 0;
  virtual tresult PLUGIN_API endEditFromHost(ParamID paramID) = 0;

  static constexpr const int8* iid = InterfaceIds::kIEditControllerHostEditing.data();
};

static_assert(sizeof(ParameterInfo) == 792 && alignof(ParameterInfo) == 8);
static_assert(offsetof(ParameterInfo, title) == 4 && offsetof(ParameterInfo, shortTitle) == 260);
static_assert(offsetof(ParameterInfo, units) == 516 && offsetof(ParameterInfo, stepCount) == 772);
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776 && offsetof(ParameterInfo, unitId) == 784);
static_assert(offsetof(ParameterInfo, flags) == 788);
} // namespace Vst
} // namespace Steinberg

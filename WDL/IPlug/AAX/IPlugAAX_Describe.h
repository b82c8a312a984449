#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IACFHost.h"

#include <cstdint>

class AAX_VCollection;

// What the description of one deliverable is made from: the module supplies it (with
// its two creation procedures) and GetEffectDescriptions describes it to the host.
struct IPlugAAX_Description
{
  const char* effectId;     // "com.Tavrik.aax.TavrikQuenmark"
  const char* effectNames;  // pieces between line feeds: "TavrikQuenmark\n"
  const char* makerNames;   // "Tavrik\n"
  const char* channelIO;    // "1-1 2-2"
  AAX_CTypeID manufacturerId;
  AAX_CTypeID productId;
  AAX_CTypeID nativeTypeIds[2];     // by I/O configuration position
  AAX_CTypeID audioSuiteTypeIds[2]; // AAX_kNoTypeID: no AudioSuite variant
  uint32_t packageVersion;
  int32_t latencyFrames;
  bool takesMidi;
  AAX_CCreateObjectProc createEffectParameters;
  AAX_CCreateObjectProc createGUI;
};

// Supplied by the module: its description.
const IPlugAAX_Description& IPlugAAX_ModuleDescription();

// The stem format for a channel count (AAX_eStemFormat_None for counts it has none for).
AAX_EStemFormat IPlugAAX_StemFormatFor(int channels);

// Describes `description` into collection, in the order hosts expect: the effect's
// names and category, one component per I/O configuration, the creation procedures, the
// effect itself (only when everything before succeeded), the maker's names and the
// version. Returns the AddEffect result, or the OR of the failures met; a failing call
// is reported to the host's assertion handler and the description goes on. No
// descriptor: AAX_ERROR_NULL_OBJECT, nothing described.
AAX_Result IPlugAAX_Describe(AAX_VCollection& collection, const IPlugAAX_Description& description);

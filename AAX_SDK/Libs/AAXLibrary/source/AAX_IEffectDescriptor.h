#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

class AAX_IComponentDescriptor;

// A creation procedure registered with AddProcPtr: makes one object, or null.
using AAX_CCreateProc = void* (*)();

// One effect: its names, category, components and creation procedures. Made and owned
// by the host (through AAX_ICollection).
class AAX_IEffectDescriptor
{
public:
  virtual ~AAX_IEffectDescriptor() = default;
  // A component descriptor owned by this descriptor, or null.
  virtual AAX_IComponentDescriptor* NewComponentDescriptor() = 0;
  virtual AAX_Result AddComponent(AAX_IComponentDescriptor* component) = 0;
  virtual AAX_Result AddName(const char* name) = 0;
  virtual AAX_Result AddCategory(uint32_t category) = 0;
  // procId: kAAX_ProcPtrID_Create_EffectParameters or kAAX_ProcPtrID_Create_EffectGUI.
  virtual AAX_Result AddProcPtr(AAX_CCreateProc proc, int32_t procId) = 0;
};

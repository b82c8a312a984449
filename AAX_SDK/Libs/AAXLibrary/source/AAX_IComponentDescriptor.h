#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

class AAX_IPropertyMap;

// The render callback: instancesBegin .. instancesEnd are the algorithm contexts of the
// instances rendered in this call, one pointer each.
using AAX_CProcessProc = void (*)(void* const instancesBegin[], const void* instancesEnd);
using AAX_CInitProc = AAX_Result (*)(const void* context, int32_t action);
using AAX_CBackgroundProc = AAX_Result (*)();
using AAX_CInstanceInitProc = AAX_CInitProc;

// One algorithm component: the fields of its algorithm context, its properties and its
// render callback. Made and owned by the host; every call answers AAX_SUCCESS or an
// error code.
class AAX_IComponentDescriptor
{
public:
  virtual ~AAX_IComponentDescriptor() = default;
  // Field holds an array of input (output) channel pointers, 32-bit float.
  virtual AAX_Result AddAudioIn(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddAudioOut(AAX_CFieldIndex field) = 0;
  // Field points to the block's sample count (int32).
  virtual AAX_Result AddAudioBufferLength(AAX_CFieldIndex field) = 0;
  // Field points to a block of sizeBytes the plug-in fills through ResetFieldData.
  virtual AAX_Result AddPrivateData(AAX_CFieldIndex field, int32_t sizeBytes, uint32_t options) = 0;
  // Field holds an AAX_IMIDINode of the given AAX_EMIDINodeType.
  virtual AAX_Result AddMIDINode(AAX_CFieldIndex field, int32_t nodeType, const char* name, uint32_t mask) = 0;
  virtual AAX_Result AddMeters(AAX_CFieldIndex field, const AAX_CTypeID* meterIds, uint32_t meterCount) = 0;
  virtual AAX_Result AddAuxOutputStem(AAX_CFieldIndex field, int32_t stemFormat, const char* name) = 0;
  // A property map owned by this descriptor, or null.
  virtual AAX_IPropertyMap* NewPropertyMap() = 0;
  virtual AAX_Result AddProcessProc_Native(AAX_CProcessProc render, AAX_IPropertyMap* properties,
                                           AAX_CInstanceInitProc instanceInit,
                                           AAX_CBackgroundProc background, int32_t* procId) = 0;
};

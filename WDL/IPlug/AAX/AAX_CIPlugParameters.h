#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CEffectParameters.h"

#include <string>
#include <vector>

class AAX_IMIDINode;
class AAX_ITransport;
class AAX_CIPlugParameters;

// The private block of field 8: the instance the render callback renders.
struct AAX_SIPlugPrivateData
{
  AAX_CIPlugParameters* plugin;
};

// The algorithm context the host fills for each render: 8-byte pointers in field order.
struct AAX_SIPlugRenderInfo
{
  float** inputs;                     // 0: input channel pointers
  float** outputs;                    // 1: output channel pointers
  void* unused2;                      // 2
  int32_t* bufferLength;              // 3: the block's sample count
  void* unused4;                      // 4
  AAX_IMIDINode* midiInput;           // 5: the MIDI input node (a private block without MIDI)
  void* globalMidi;                   // 6: not read
  AAX_IMIDINode* transportNode;       // 7: the transport node
  AAX_SIPlugPrivateData* privateData; // 8
  void* meters;                       // 9: not read
};

enum AAX_EIPlugField : AAX_CFieldIndex
{
  kAAXField_AudioIn = 0,
  kAAXField_AudioOut = 1,
  kAAXField_BufferLength = 3,
  kAAXField_MIDIInput = 5,
  kAAXField_GlobalMIDI = 6,
  kAAXField_Transport = 7,
  kAAXField_PrivateData = 8,
  kAAXField_Meters = 9,
};

// The effect-parameters side of the AAX plug-in object: the master bypass, the
// transport of the current render and the AAX identifier of each framework parameter,
// and the render function the render callback calls.
class AAX_CIPlugParameters : public AAX_CEffectParameters
{
public:
  // Field 8 receives this object's address (a size other than 8 is reported to the
  // host's assertion handler, and the address is written when it fits, else
  // AAX_ERROR_INVALID_ARGUMENT); every other field is zero-filled. Null data:
  // AAX_ERROR_NULL_ARGUMENT. Works before Initialize: hosts may fill contexts first.
  AAX_Result ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t sizeBytes) const override;

  // [audio thread, takes the plug-in mutex] One block of one instance.
  virtual AAX_Result RenderAudio(const AAX_SIPlugRenderInfo* info) = 0;

  // The AAX identifier of framework parameter index ("1" for 0), or null.
  AAX_CParamID ParameterID(int index) const;
  AAX_IParameter* MasterBypass() const { return mMasterBypass; }

protected:
  AAX_IParameter* mMasterBypass = nullptr; // owned by the parameter manager
  AAX_ITransport* mTransport = nullptr;    // the current render's, not owned
  std::vector<std::string> mParamIDs;
};

// The render callback registered with every component: renders each instance whose
// private block names a plug-in.
void AAX_IPlugRenderCallback(void* const instancesBegin[], const void* instancesEnd);

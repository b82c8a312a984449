#pragma once

// A MIDI node of the algorithm context (for this product: the transport node). A plain
// C++ interface in the Windows hosts' layout (see AAX_IString.h).

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

class AAX_ITransport;

struct AAX_CMidiPacket
{
  uint32_t mTimestamp;  // sample offset in the block
  uint32_t mLength;
  uint8_t mData[4];
  uint8_t mIsImmediate;
};
static_assert(sizeof(AAX_CMidiPacket) == 16);

struct AAX_CMidiStream
{
  uint32_t mBufferSize; // packets in mBuffer
  AAX_CMidiPacket* mBuffer;
};
static_assert(sizeof(AAX_CMidiStream) == 16);

class AAX_IMIDINode
{
public:
  virtual void* DestructorSlot(unsigned int flags) = 0; // slot 0: never called
  virtual AAX_CMidiStream* GetNodeBuffer() = 0;
  virtual AAX_Result PostMIDIPacket(AAX_CMidiPacket* packet) = 0;
  virtual AAX_ITransport* GetTransport() = 0;

protected:
  ~AAX_IMIDINode() = default;
};

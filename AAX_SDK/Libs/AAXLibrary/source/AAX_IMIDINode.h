#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

class AAX_ITransport;

// One MIDI packet: a sample offset in the block and up to four bytes.
struct AAX_CMidiPacket
{
  uint32_t mTimestamp = 0;
  uint32_t mLength = 0;
  unsigned char mData[4] = {0, 0, 0, 0};
};

struct AAX_CMidiStream
{
  uint32_t mBufferSize = 0; // packets in mBuffer
  const AAX_CMidiPacket* mBuffer = nullptr;
};

// A MIDI node of the algorithm context: its packets for this block, and for the
// transport node, the transport.
class AAX_IMIDINode
{
public:
  virtual ~AAX_IMIDINode() = default;
  virtual const AAX_CMidiStream* GetNodeBuffer() const = 0;
  virtual AAX_ITransport* GetTransport() = 0;
};

#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

#include <string>
#include <vector>

// Tracks which parameters changed since the algorithm last took their values: a
// parameter registered with a context field is marked dirty on each update and
// collected by Dispatch. Parameters the algorithm reads elsewhere (this plug-in's
// render reads its values directly) need no packet, and marking them is a success that
// does nothing.
class AAX_CPacketDispatcher
{
public:
  // [UI thread] Allocates.
  AAX_Result RegisterPacket(AAX_CParamID identifier, AAX_CFieldIndex field);
  // [any thread] Null identifier: AAX_ERROR_NULL_ARGUMENT.
  AAX_Result SetDirty(AAX_CParamID identifier);
  // [UI thread] Calls post(field) for each dirty packet and clears it; the count posted.
  template <typename Post>
  int Dispatch(Post&& post)
  {
    int posted = 0;
    for (Packet& packet : mPackets)
      if (packet.dirty)
      {
        packet.dirty = false;
        post(packet.field);
        ++posted;
      }
    return posted;
  }

private:
  struct Packet
  {
    std::string identifier;
    AAX_CFieldIndex field;
    bool dirty;
  };
  std::vector<Packet> mPackets;
};

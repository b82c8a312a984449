#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CPacketDispatcher.h"

AAX_Result AAX_CPacketDispatcher::RegisterPacket(AAX_CParamID identifier, AAX_CFieldIndex field)
{
  if (identifier == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  mPackets.push_back({identifier, field, true});
  return AAX_SUCCESS;
}

AAX_Result AAX_CPacketDispatcher::SetDirty(AAX_CParamID identifier)
{
  if (identifier == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  for (Packet& packet : mPackets)
    if (packet.identifier == identifier)
      packet.dirty = true;
  return AAX_SUCCESS;
}

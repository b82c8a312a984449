#include "vst3/sdk/helpers/Bus.h"

#include "vst3/sdk/helpers/Utf16.h"

#include <bit>

namespace Steinberg::Vst
{
int32 channelCountOf(SpeakerArrangement arrangement) noexcept
{
  return std::popcount(arrangement);
}

Bus::Bus(const TChar* name, BusType busType, uint32 flags) noexcept : mBusType(busType), mFlags(flags)
{
  setName(name);
}

void Bus::setName(const TChar* name) noexcept
{
  copyText16(name, mName);
}

void Bus::getInfo(BusInfo& info) const noexcept
{
  info.channelCount = getChannelCount();
  copyText16(mName, info.name);
  info.busType = mBusType;
  info.flags = mFlags;
}

AudioBus::AudioBus(const TChar* name, BusType busType, uint32 flags, SpeakerArrangement arrangement) noexcept
  : Bus(name, busType, flags), mArrangement(arrangement)
{
}

EventBus::EventBus(const TChar* name, BusType busType, uint32 flags, int32 channelCount) noexcept
  : Bus(name, busType, flags), mChannelCount(channelCount < 0 ? 0 : channelCount)
{
}

Bus* BusList::at(int32 index) const noexcept
{
  if (index < 0 || index >= count())
    return nullptr;
  return mBuses[static_cast<std::size_t>(index)].get();
}

AudioBus* BusList::audioAt(int32 index) const noexcept
{
  return dynamic_cast<AudioBus*>(at(index));
}

Bus* BusList::append(std::unique_ptr<Bus> bus)
{
  if (!bus)
    return nullptr;
  mBuses.push_back(std::move(bus));
  return mBuses.back().get();
}

bool BusList::remove(int32 index)
{
  if (index < 0 || index >= count())
    return false;
  mBuses.erase(mBuses.begin() + index);
  return true;
}

tresult BusList::getBusInfo(int32 index, BusInfo& info) const noexcept
{
  const Bus* bus = at(index);
  if (bus == nullptr)
    return kInvalidArgument;
  info = BusInfo{};
  info.mediaType = mType;
  info.direction = mDirection;
  bus->getInfo(info);
  return kResultTrue;
}
} // namespace Steinberg::Vst

#pragma once

#include "vst3/sdk/interfaces/IComponent.h"
#include "vst3/sdk/interfaces/SpeakerArrangement.h"

#include <memory>
#include <vector>

namespace Steinberg::Vst
{
// Channels of an arrangement: its number of speakers.
int32 channelCountOf(SpeakerArrangement arrangement) noexcept;

// One bus of a component. Buses start inactive; kDefaultActive in flags is only a wish
// to the host, which activates buses through IComponent::activateBus.
class Bus
{
public:
  virtual ~Bus() = default;
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;

  const TChar* getName() const noexcept { return mName; }
  void setName(const TChar* name) noexcept; // cut to 127 units
  BusType getBusType() const noexcept { return mBusType; }
  void setBusType(BusType busType) noexcept { mBusType = busType; }
  uint32 getFlags() const noexcept { return mFlags; }
  void setFlags(uint32 flags) noexcept { mFlags = flags; }
  bool isActive() const noexcept { return mActive; }
  void setActive(bool active) noexcept { mActive = active; }

  virtual int32 getChannelCount() const noexcept = 0;
  // Fills channelCount, name, busType and flags; the list fills media type and direction.
  void getInfo(BusInfo& info) const noexcept;

protected:
  Bus(const TChar* name, BusType busType, uint32 flags) noexcept;

private:
  String128 mName = {};
  BusType mBusType = kMain;
  uint32 mFlags = 0;
  bool mActive = false;
};

class AudioBus final : public Bus
{
public:
  AudioBus(const TChar* name, BusType busType, uint32 flags, SpeakerArrangement arrangement) noexcept;

  SpeakerArrangement getArrangement() const noexcept { return mArrangement; }
  void setArrangement(SpeakerArrangement arrangement) noexcept { mArrangement = arrangement; }
  int32 getChannelCount() const noexcept override { return channelCountOf(mArrangement); }

private:
  SpeakerArrangement mArrangement;
};

class EventBus final : public Bus
{
public:
  EventBus(const TChar* name, BusType busType, uint32 flags, int32 channelCount) noexcept;

  int32 getChannelCount() const noexcept override { return mChannelCount; }

private:
  int32 mChannelCount;
};

// The buses of one media type and direction, in host index order.
class BusList
{
public:
  BusList(MediaType type, BusDirection direction) noexcept : mType(type), mDirection(direction) {}
  BusList(const BusList&) = delete;
  BusList& operator=(const BusList&) = delete;

  MediaType getType() const noexcept { return mType; }
  BusDirection getDirection() const noexcept { return mDirection; }

  int32 count() const noexcept { return static_cast<int32>(mBuses.size()); }
  // Null for an index out of range.
  Bus* at(int32 index) const noexcept;
  // Null for an index out of range or an event bus.
  AudioBus* audioAt(int32 index) const noexcept;

  // Appends at the end (the next host index); returns the bus, or null for null.
  Bus* append(std::unique_ptr<Bus> bus);
  // Removes one bus; later buses move down one index. False for an index out of range.
  bool remove(int32 index);
  void clear() noexcept { mBuses.clear(); }

  // kInvalidArgument for an index out of range, else the bus description and kResultTrue.
  tresult getBusInfo(int32 index, BusInfo& info) const noexcept;

private:
  MediaType mType;
  BusDirection mDirection;
  std::vector<std::unique_ptr<Bus>> mBuses;
};
} // namespace Steinberg::Vst

#include "product/GroupLink.h"

#include "WDL/IPlug/IPlugBase.h"

#include <cmath>
#include <limits>
#include <mutex>

namespace
{
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN(); // never a parameter value

struct SlotEntry
{
  int32_t owner = -1; // the entry's own index while an instance holds it
  bool pending = false;
  int32_t group = -1;
};

// The module's shared tables, in static storage: one set per loaded module.
struct GroupTables
{
  std::mutex lock;
  std::array<bool, GroupLink::kGroupCount> groupPending{};
  std::array<SlotEntry, GroupLink::kSlotCount> slots{};
  std::array<std::array<double, GroupLink::kMaxParams>, GroupLink::kGroupCount> shared;

  GroupTables()
  {
    for (auto& group : shared)
      group.fill(kNoValue);
  }
};

GroupTables& tables()
{
  static GroupTables instance;
  return instance;
}
}

GroupLink::GroupLink(IPlugBase& owner, std::vector<int> synchronisedParams)
    : mOwner(owner), mSynchronised(std::move(synchronisedParams))
{
  GroupTables& t = tables();
  std::lock_guard<std::mutex> guard(t.lock);
  for (int i = 0; i < kSlotCount; ++i)
    if (t.slots[i].owner == -1)
    {
      t.slots[i].owner = i;
      mSlot = i;
      mOwnsSlot = true;
      break;
    }
  if (mOwnsSlot)
    t.slots[mSlot].group = -1;
}

GroupLink::~GroupLink()
{
  if (!mOwnsSlot)
    return;
  GroupTables& t = tables();
  std::lock_guard<std::mutex> guard(t.lock);
  t.slots[mSlot].owner = -1;
}

std::mutex& GroupLink::TablesMutexForTests() { return tables().lock; }

void GroupLink::Join(int group)
{
  if (group < 0 || group >= kGroupCount)
    return;
  mGroup = group;
  mDisabled = false;
  mMembershipOwed = true;
  std::unique_lock<std::mutex> guard(tables().lock, std::try_to_lock);
  if (guard.owns_lock())
    UpdateMembershipLocked();
}

void GroupLink::Leave()
{
  mDisabled = true;
  mMembershipOwed = true;
  std::unique_lock<std::mutex> guard(tables().lock, std::try_to_lock);
  if (guard.owns_lock())
    UpdateMembershipLocked();
}

void GroupLink::UpdateMembershipLocked()
{
  if (!mMembershipOwed)
    return;
  SlotEntry& slot = tables().slots[mSlot];
  slot.group = mDisabled ? -1 : mGroup;
  if (!mDisabled)
    slot.pending = true;
  mMembershipOwed = false;
}

bool GroupLink::IsSynchronised(int index) const
{
  for (int s : mSynchronised)
    if (s == index)
      return true;
  return false;
}

bool GroupLink::PublishLocked()
{
  UpdateMembershipLocked();
  if (mDisabled || mBusy.load() != kIdle)
    return false;
  mBusy = kPublishing;
  GroupTables& t = tables();
  t.groupPending[mGroup] = true;
  for (int i = 0; i < kSlotCount; ++i)
    if (i != mSlot && t.slots[i].group == mGroup)
      t.slots[i].pending = true;
  const int count = std::min(mOwner.ParamCount(), kMaxParams);
  for (int i = 0; i < count; ++i)
    t.shared[mGroup][i] = IsSynchronised(i) ? mOwner.ParamAt(i)->Value() : kNoValue;
  mBusy = kIdle;
  return true;
}

void GroupLink::Publish()
{
  std::lock_guard<std::recursive_mutex> plug(mOwner.Mutex());
  std::lock_guard<std::mutex> guard(tables().lock);
  PublishLocked();
  mPublishOwed = false;
}

void GroupLink::PublishFromAudio()
{
  std::unique_lock<std::mutex> guard(tables().lock, std::try_to_lock);
  if (!guard.owns_lock())
  {
    mPublishOwed = true;
    return;
  }
  PublishLocked();
  mPublishOwed = false;
}

bool GroupLink::CollectLocked(std::array<double, kMaxParams>& values)
{
  UpdateMembershipLocked();
  GroupTables& t = tables();
  if (mDisabled || mBusy.load() != kIdle || !t.groupPending[mGroup] || !t.slots[mSlot].pending)
    return false;
  values = t.shared[mGroup];
  t.slots[mSlot].pending = false;
  bool stillPending = false;
  for (const SlotEntry& slot : t.slots)
    stillPending = stillPending || (slot.group == mGroup && slot.pending);
  if (!stillPending)
    t.groupPending[mGroup] = false;
  return true;
}

void GroupLink::Apply(const std::array<double, kMaxParams>& values, std::array<double, kMaxParams>& reported)
{
  // Changes arrive with the internal source, so they are not published again: a change
  // travels from one member's editor to the others exactly once.
  mBusy = kReceiving;
  reported.fill(kNoValue);
  const int count = std::min(mOwner.ParamCount(), kMaxParams);
  for (int i = 0; i < count; ++i)
  {
    const double value = values[i];
    IPlugParam* param = mOwner.ParamAt(i);
    if (std::isnan(value) || value == param->Value())
      continue;
    param->SetValue(value);
    mOwner.ParamChanged(i, kSourceInternal);
    reported[i] = param->ToNormalized();
  }
  mBusy = kIdle;
}

void GroupLink::Report(const std::array<double, kMaxParams>& reported)
{
  const int count = std::min(mOwner.ParamCount(), kMaxParams);
  for (int i = 0; i < count; ++i)
    if (!std::isnan(reported[i]))
      mOwner.InformHostOfParamChange(i, reported[i]);
}

bool GroupLink::PublishOwedAndCollectLocked(std::array<double, kMaxParams>& values)
{
  if (mPublishOwed)
  {
    PublishLocked();
    mPublishOwed = false;
  }
  return CollectLocked(values);
}

void GroupLink::Receive()
{
  std::array<double, kMaxParams> values;
  std::array<double, kMaxParams> reported;
  {
    std::lock_guard<std::recursive_mutex> plug(mOwner.Mutex());
    {
      std::lock_guard<std::mutex> guard(tables().lock);
      if (!PublishOwedAndCollectLocked(values))
        return;
    }
    Apply(values, reported);
  }
  // The host hears of the changes after the plug-in mutex is released.
  Report(reported);
}

void GroupLink::ReceiveFromAudio()
{
  if (mDisabled && !mPublishOwed && !mMembershipOwed)
    return; // in no group: the shared tables are not touched
  std::array<double, kMaxParams> values;
  {
    std::unique_lock<std::mutex> guard(tables().lock, std::try_to_lock);
    if (!guard.owns_lock() || !PublishOwedAndCollectLocked(values))
      return;
  }
  // On the audio thread the binding reports the changes with the block's output.
  std::array<double, kMaxParams> reported;
  Apply(values, reported);
  Report(reported);
}

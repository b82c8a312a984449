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
  // Written under the tables' lock; also read without it, as a hint of work to do.
  std::atomic<bool> pending{false};
  int32_t group = -1;
};

// The module's shared tables, in static storage: one set per loaded module.
struct GroupTables
{
  std::mutex lock;
  // Written under the lock; also read without it, as a hint of work to do.
  std::array<std::atomic<bool>, GroupLink::kGroupCount> groupPending{};
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
  {
    t.slots[mSlot].group = -1;
    t.slots[mSlot].pending = false;
  }
}

GroupLink::~GroupLink()
{
  if (!mOwnsSlot)
    return;
  GroupTables& t = tables();
  std::lock_guard<std::mutex> guard(t.lock);
  // The slot leaves its group, so values this instance never took stop holding the group
  // pending: a later instance that joins must not take what was meant for one that is gone.
  SlotEntry& slot = t.slots[mSlot];
  const int group = slot.group;
  slot.owner = -1;
  slot.group = -1;
  slot.pending = false;
  if (group < 0)
    return;
  bool stillPending = false;
  for (const SlotEntry& other : t.slots)
    stillPending = stillPending || (other.group == group && other.pending);
  t.groupPending[static_cast<size_t>(group)] = stillPending;
}

std::mutex& GroupLink::TablesMutexForTests() { return tables().lock; }

void GroupLink::Join(int group)
{
  if (group < 0 || group >= kGroupCount)
    return;
  mGroup.store(group, std::memory_order_relaxed);
  mDisabled.store(false, std::memory_order_relaxed);
  mMembershipOwed.store(true, std::memory_order_release);
  std::unique_lock<std::mutex> guard(tables().lock, std::try_to_lock);
  if (guard.owns_lock())
    UpdateMembershipLocked();
}

void GroupLink::Leave()
{
  mDisabled.store(true, std::memory_order_relaxed);
  mMembershipOwed.store(true, std::memory_order_release);
  std::unique_lock<std::mutex> guard(tables().lock, std::try_to_lock);
  if (guard.owns_lock())
    UpdateMembershipLocked();
}

void GroupLink::UpdateMembershipLocked()
{
  if (!mMembershipOwed.load(std::memory_order_acquire))
    return;
  SlotEntry& slot = tables().slots[mSlot];
  const bool disabled = mDisabled.load(std::memory_order_relaxed);
  slot.group = disabled ? -1 : mGroup.load(std::memory_order_relaxed);
  if (!disabled)
    slot.pending = true;
  mMembershipOwed.store(false, std::memory_order_relaxed);
}

bool GroupLink::HasWork() const
{
  if (mPublishOwed.load(std::memory_order_acquire) || mMembershipOwed.load(std::memory_order_acquire))
    return true;
  if (mDisabled.load(std::memory_order_relaxed))
    return false;
  const GroupTables& t = tables();
  return t.groupPending[static_cast<size_t>(mGroup.load(std::memory_order_relaxed))].load(std::memory_order_acquire) &&
         t.slots[static_cast<size_t>(mSlot)].pending.load(std::memory_order_acquire);
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
  if (mDisabled.load(std::memory_order_relaxed) || mBusy.load() != kIdle)
    return false;
  mBusy = kPublishing;
  GroupTables& t = tables();
  const int group = mGroup.load(std::memory_order_relaxed);
  const int count = std::min(mOwner.ParamCount(), kMaxParams);
  for (int i = 0; i < count; ++i)
    t.shared[group][i] = IsSynchronised(i) ? mOwner.ParamAt(i)->Value() : kNoValue;
  for (int i = 0; i < kSlotCount; ++i)
    if (i != mSlot && t.slots[i].group == group)
      t.slots[i].pending.store(true, std::memory_order_release);
  t.groupPending[group].store(true, std::memory_order_release);
  mBusy = kIdle;
  return true;
}

void GroupLink::Publish()
{
  std::lock_guard<std::recursive_mutex> plug(mOwner.Mutex());
  std::unique_lock<std::mutex> guard(tables().lock, std::try_to_lock);
  if (!guard.owns_lock())
  {
    mPublishOwed.store(true, std::memory_order_release);
    return;
  }
  PublishLocked();
  mPublishOwed.store(false, std::memory_order_relaxed);
}

bool GroupLink::CollectLocked(std::array<double, kMaxParams>& values)
{
  UpdateMembershipLocked();
  GroupTables& t = tables();
  const int group = mGroup.load(std::memory_order_relaxed);
  if (mDisabled.load(std::memory_order_relaxed) || mBusy.load() != kIdle || !t.groupPending[group] ||
      !t.slots[mSlot].pending)
    return false;
  values = t.shared[group];
  t.slots[mSlot].pending = false;
  bool stillPending = false;
  for (const SlotEntry& slot : t.slots)
    stillPending = stillPending || (slot.group == group && slot.pending);
  if (!stillPending)
    t.groupPending[group] = false;
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
  if (mPublishOwed.load(std::memory_order_acquire))
  {
    PublishLocked();
    mPublishOwed.store(false, std::memory_order_relaxed);
  }
  return CollectLocked(values);
}

void GroupLink::Receive()
{
  if (!HasWork())
    return; // nothing for this member: neither lock is taken
  std::array<double, kMaxParams> values;
  std::array<double, kMaxParams> reported;
  {
    std::lock_guard<std::recursive_mutex> plug(mOwner.Mutex());
    {
      // Under the plug-in mutex the tables are only tried: waiting for them here would
      // make the instance's next block wait too.
      std::unique_lock<std::mutex> guard(tables().lock, std::try_to_lock);
      if (!guard.owns_lock() || !PublishOwedAndCollectLocked(values))
        return;
    }
    Apply(values, reported);
  }
  // The host hears of the changes after the plug-in mutex is released.
  Report(reported);
}

void GroupLink::ReceiveFromAudio()
{
  if (!HasWork())
    return; // nothing for this member: the shared tables are not touched
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

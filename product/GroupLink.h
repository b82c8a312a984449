#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class IPlugBase;

// Joins instances of the plug-in in one process into up to eight groups. A change made
// in one member's editor to a synchronised parameter (and the automatic switch-off of
// "Analyze" at a transport stop) is published to the group's shared values; every other
// member takes them at its next receive: its next audio block, its editor opening, or
// its editor's idle tick. Nothing of it is saved or crosses processes.
//
// The shared tables are guarded by one process-wide lock, held only to copy values in or
// out of them and never while a parameter is applied. No thread waits for it while it
// holds a plug-in mutex: under the mutex it is only tried. A receive that finds it busy
// is made at the next block or idle tick, and a membership change or a publish that finds
// it busy is owed and made at the next receive, so neither the audio thread nor anything
// it waits for ever waits for another instance. Whether there is anything to receive is
// read from atomic flags without any lock, so members with nothing pending (and
// instances in no group) never touch the lock at all.
class GroupLink
{
public:
  static constexpr int kGroupCount = 8;        // "Group 1" .. "Group 8"
  static constexpr int kSlotCount = 128;       // instances with a slot of their own
  static constexpr int kMaxParams = 128;

  // [any thread, without the owner's plug-in mutex: it waits for the tables] Takes the
  // lowest free slot (slot 0, shared, when none is free). The link starts in no group.
  GroupLink(IPlugBase& owner, std::vector<int> synchronisedParams);
  // [any thread, without the owner's plug-in mutex] Frees the slot and takes it out of its
  // group: what it had not received yet no longer waits for it.
  ~GroupLink();
  GroupLink(const GroupLink&) = delete;
  GroupLink& operator=(const GroupLink&) = delete;

  // [any thread, under the owner's plug-in mutex] Group 0 .. 7. Joining marks the slot
  // pending, so the member takes the group's shared values if a publish is still
  // waiting for others. Never waits: while the tables are busy the change is owed.
  void Join(int group);
  void Leave();

  // [any thread, takes the owner's plug-in mutex] Publishes all synchronised values of
  // the owner to its group. Never waits: owes the publish when the tables are busy.
  void Publish();

  // Takes the group's shared values where they differ: each changed parameter is set,
  // announced with ParamChanged(i, kSourceInternal) and reported to the host.
  // [UI thread, without the owner's plug-in mutex] Takes the mutex to copy and apply,
  // only tries the tables under it (busy: the next idle tick tries again), and reports
  // to the host after releasing it.
  void Receive();
  // [audio thread, under the owner's plug-in mutex] Makes an owed publish, then
  // receives; skips the block when the tables are busy.
  void ReceiveFromAudio();

  // The process-wide lock of the shared tables, for tests that hold it to show that
  // nothing on an audio thread waits for it.
  static std::mutex& TablesMutexForTests();

  bool InGroup() const { return !mDisabled.load(std::memory_order_relaxed); }
  int Group() const { return mGroup.load(std::memory_order_relaxed); }
  int Slot() const { return mSlot; }
  bool OwnsSlot() const { return mOwnsSlot; }

private:
  enum Busy : int32_t { kIdle = 0, kReceiving = 1, kPublishing = 2 };

  // [any thread, no lock] Something owed, or a publish waiting for this member.
  bool HasWork() const;
  // Writes an owed membership change into the tables.
  void UpdateMembershipLocked();
  bool PublishLocked();
  // Copies the values to take into `values` (NaN where there is none); false when there
  // is nothing to receive.
  bool CollectLocked(std::array<double, kMaxParams>& values);
  // Makes an owed publish, then collects as CollectLocked does.
  bool PublishOwedAndCollectLocked(std::array<double, kMaxParams>& values);
  // Sets and announces the values that differ; `reported` gets the normalized value of
  // each parameter it changed (NaN for the others), for the host.
  void Apply(const std::array<double, kMaxParams>& values, std::array<double, kMaxParams>& reported);
  void Report(const std::array<double, kMaxParams>& reported);
  bool IsSynchronised(int index) const;

  IPlugBase& mOwner;
  std::vector<int> mSynchronised;
  std::atomic<int32_t> mBusy{kIdle};
  // Written under the owner's plug-in mutex; read without it by HasWork.
  std::atomic<int> mGroup{0};
  std::atomic<bool> mDisabled{true};
  std::atomic<bool> mPublishOwed{false};
  std::atomic<bool> mMembershipOwed{false};
  int mSlot = 0;
  bool mOwnsSlot = false;
};

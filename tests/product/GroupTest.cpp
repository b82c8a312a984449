#include "Harness.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// The group tables are shared by every instance of the process, so each test uses a
// group of its own.
namespace
{
void block(Harness& h)
{
  std::vector<double> left(64, 0.01), right(64, 0.01);
  h.process(left, right);
}

bool toldHost(Harness& h, int index, double normalized)
{
  for (const auto& edit : h->edits)
    if (edit.index == index && std::fabs(edit.normalized - normalized) < 1e-12)
      return true;
  return false;
}
}

TEST(Groups, AnEditorChangeReachesTheOtherMemberAtItsNextBlock)
{
  Harness a, b;
  a.editorSets(kGroup, 2);
  b.editorSets(kGroup, 2);
  block(a);
  b->edits.clear();
  b.setTransport(true);
  b.sine(-20.0, 20);
  ASSERT_NE(b->Group().Group(), -1);

  a.editorSets(kTargetValue, -18.0);
  EXPECT_EQ(b.value(kTargetValue), -12.0) << "not before its next block";
  block(b);
  EXPECT_EQ(b.value(kTargetValue), -18.0);
  EXPECT_TRUE(toldHost(b, kTargetValue, b->ParamAt(kTargetValue)->ToNormalized(-18.0)));
  EXPECT_NEAR(b.value(kGain), -18.0 - (-40.0), 1e-6) << "its detectors restarted: the quieter block set the gain";
  EXPECT_EQ(a.value(kTargetValue), -18.0);
}

TEST(Groups, ThreeMembersAndATargetOfMinusOne)
{
  Harness a, b, c;
  for (Harness* h : {&a, &b, &c})
    h->editorSets(kGroup, 3);
  for (Harness* h : {&a, &b, &c})
    block(*h);
  b.editorSets(kTargetValue, -1.0);
  block(a);
  block(c);
  EXPECT_EQ(a.value(kTargetValue), -1.0) << "-1 dB is a value like any other";
  EXPECT_EQ(c.value(kTargetValue), -1.0);
  c.editorSets(kMeasure, 3);
  block(a);
  block(b);
  EXPECT_EQ(a.value(kMeasure), 3.0);
  EXPECT_EQ(b.value(kMeasure), 3.0);
  EXPECT_STREQ(b->ParamAt(kTargetValue)->Label(), "LUFS");
}

TEST(Groups, HostAutomationIsNotCopied)
{
  Harness a, b;
  a.editorSets(kGroup, 4);
  b.editorSets(kGroup, 4);
  block(a);
  block(b);
  a.hostSets(kMeasure, 2);
  block(b);
  EXPECT_EQ(b.value(kMeasure), 0.0);
}

TEST(Groups, GateStaysButTheOtherValuesTravelWithIt)
{
  Harness a, b;
  a.editorSets(kGroup, 5);
  b.editorSets(kGroup, 5);
  block(a);
  block(b);
  a.hostSets(kMode, 1.0); // not published: host source
  a.editorSets(kGate, -20.0);
  block(b);
  EXPECT_EQ(b.value(kGate), -60.0);
  EXPECT_EQ(b.value(kMode), 1.0) << "the publish carries all synchronised values";
}

TEST(Groups, JoiningPublishesAtOnce)
{
  Harness a, b;
  a.editorSets(kGroup, 6);
  block(a);
  b.hostSets(kTargetValue, -30.0);
  b.editorSets(kGroup, 6); // an editor change: publishes the newcomer's values
  block(a);
  EXPECT_EQ(a.value(kTargetValue), -30.0);
}

TEST(Groups, TransportStopSwitchesEachMemberOffOnce)
{
  Harness a, b;
  a.editorSets(kGroup, 7);
  b.editorSets(kGroup, 7);
  for (Harness* h : {&a, &b})
  {
    h->setTransport(true);
    block(*h);
  }
  a->changes.clear();
  b->changes.clear();
  a.setTransport(false);
  block(a);
  EXPECT_EQ(a.value(kAnalyze), 0.0);
  block(b); // b's transport still runs: it takes a's Analyze 0
  EXPECT_EQ(b.value(kAnalyze), 0.0);
  b.setTransport(false);
  block(b);
  block(a);
  int analyzeChanges = 0;
  for (const auto& change : a->changes)
    analyzeChanges += change.index == kAnalyze;
  EXPECT_EQ(analyzeChanges, 1) << "the Analyze 0 that comes back changes nothing more";
}

TEST(Groups, NoGroupNeitherPublishesNorReceives)
{
  Harness a, b;
  a.editorSets(kGroup, 8);
  b.editorSets(kGroup, 8);
  block(b);
  b.editorSets(kGroup, 0);
  a.editorSets(kTargetValue, -25.0);
  block(b);
  EXPECT_EQ(b.value(kTargetValue), -12.0);
  b.editorSets(kTargetValue, -3.0);
  block(a);
  EXPECT_EQ(a.value(kTargetValue), -25.0);
  EXPECT_FALSE(b->Group().InGroup());
}

TEST(Groups, EditorOpeningAndIdleReceive)
{
  Harness a, b;
  a.editorSets(kGroup, 1);
  b.editorSets(kGroup, 1);
  block(a);
  a.editorSets(kNormalize, 0.0);
  b->OnEditorIdle();
  EXPECT_EQ(b.value(kNormalize), 0.0);
  a.editorSets(kNormalize, 1.0);
  b->EditorOpened();
  EXPECT_EQ(b.value(kNormalize), 1.0);
}

TEST(Groups, SlotsAreTakenLowestFirstAndSharedBeyond128)
{
  std::vector<std::unique_ptr<TavrikQuenmark>> many;
  for (int i = 0; i < GroupLink::kSlotCount + 2; ++i)
    many.push_back(std::make_unique<TavrikQuenmark>());
  int owners = 0;
  for (const auto& plug : many)
    owners += plug->Group().OwnsSlot();
  EXPECT_EQ(owners, GroupLink::kSlotCount);
  EXPECT_FALSE(many.back()->Group().OwnsSlot());
  EXPECT_EQ(many.back()->Group().Slot(), 0);
  const int freed = many[5]->Group().Slot();
  many[5].reset();
  TavrikQuenmark next;
  EXPECT_EQ(next.Group().Slot(), freed);
}

TEST(Groups, InstancesThatAreGoneLeaveNothingForTheNextMember)
{
  // A member alone publishes; two members part before one of them received.
  {
    Harness alone;
    alone.editorSets(kGroup, 8);
    alone.editorSets(kTargetValue, -30.0);
  }
  {
    Harness a, b;
    a.editorSets(kGroup, 8);
    b.editorSets(kGroup, 8);
    a.editorSets(kTargetValue, -25.0);
  }
  // A session loaded later puts a new instance into the same group: it keeps its own values.
  Harness next;
  next.hostSets(kGroup, 8);
  next.hostSets(kTargetValue, -20.0);
  block(next);
  next->OnEditorIdle();
  EXPECT_EQ(next.value(kTargetValue), -20.0);
}

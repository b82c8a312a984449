// The interface declarations against the binary interface AAX hosts were built with: the
// v-table slot of each method a host calls or implements, the plain interfaces in the
// Windows hosts' layout, struct layouts and IDs as bytes in memory.

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IACFEffectParameters.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IACFHost.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IMIDINode.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IString.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_ITransport.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_SPlugInChunk.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_UIDs.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace
{
// The v-table slot a pointer to a virtual member names (g++, clang and MinGW all encode
// it as 1 + the byte offset in the v-table).
template <typename Member>
int Slot(Member member)
{
  struct Representation
  {
    std::uintptr_t pointer;
    std::ptrdiff_t adjustment;
  } representation{};
  static_assert(sizeof(Member) == sizeof(Representation));
  std::memcpy(&representation, &member, sizeof representation);
  return static_cast<int>((representation.pointer - 1) / sizeof(void*));
}

TEST(AaxAbi, EffectParametersMethodsSitInTheirSlots)
{
  using P = AAX_IACFEffectParameters_V4;
  EXPECT_EQ(Slot(&P::QueryInterface), 0);
  EXPECT_EQ(Slot(&P::Release), 2);
  EXPECT_EQ(Slot(&P::Initialize), 3);
  EXPECT_EQ(Slot(&P::GetMasterBypassParameter), 7);
  EXPECT_EQ(Slot(&P::GetParameterName), 10);
  EXPECT_EQ(Slot(&P::GetParameter), 16);
  EXPECT_EQ(Slot(&P::GetParameterValueFromString), 20);
  EXPECT_EQ(Slot(&P::GetParameterNormalizedValue), 23);
  EXPECT_EQ(Slot(&P::UpdateParameterNormalizedValue), 29);
  EXPECT_EQ(Slot(&P::ResetFieldData), 32);
  EXPECT_EQ(Slot(&P::SetChunk), 37);
  EXPECT_EQ(Slot(&P::GetNumberOfChanges), 39);
  EXPECT_EQ(Slot(&P::DoMIDITransfers), 44);
  EXPECT_EQ(Slot(&P::RenderAudio_Hybrid), 45);
  EXPECT_EQ(Slot(&P::GetCurveDataMeterIds), 48);
  EXPECT_EQ(Slot(&P::UpdatePageTable), 50);

  using G = AAX_IACFEffectGUI_V2;
  EXPECT_EQ(Slot(&G::Initialize), 3);
  EXPECT_EQ(Slot(&G::SetViewContainer), 6);
  EXPECT_EQ(Slot(&G::GetViewSize), 7);
  EXPECT_EQ(Slot(&G::ParameterUpdated), 10);
  EXPECT_EQ(Slot(&G::SetControlHighlightInfo), 12);
  EXPECT_EQ(Slot(&G::GetMinimumViewSize), 13);
}

TEST(AaxAbi, HostMethodsSitInTheirSlots)
{
  EXPECT_EQ(Slot(&IACFPluginDefinition::InitializePlugin), 6);
  EXPECT_EQ(Slot(&IACFComponentFactory::CreateComponent), 3);
  EXPECT_EQ(Slot(&AAX_IACFCollection::AddEffect), 7);
  EXPECT_EQ(Slot(&AAX_IACFCollection::SetPackageVersion), 10);
  EXPECT_EQ(Slot(&AAX_IACFEffectDescriptor::AddProcPtr), 7);
  EXPECT_EQ(Slot(&AAX_IACFEffectDescriptor_V2::AddControlMIDINode), 11);
  EXPECT_EQ(Slot(&AAX_IACFComponentDescriptor::AddPrivateData), 13);
  EXPECT_EQ(Slot(&AAX_IACFComponentDescriptor::AddMIDINode), 15);
  EXPECT_EQ(Slot(&AAX_IACFComponentDescriptor::AddProcessProc_Native), 16);
  EXPECT_EQ(Slot(&AAX_IACFComponentDescriptor_V3::AddProcessProc), 20);
  EXPECT_EQ(Slot(&AAX_IACFPropertyMap::AddProperty), 4);
  EXPECT_EQ(Slot(&AAX_IACFPropertyMap_V3::AddProperty64), 9);
  EXPECT_EQ(Slot(&AAX_IACFController::GetSampleRate), 4);
  EXPECT_EQ(Slot(&AAX_IACFController::SetSignalLatency), 10);
  EXPECT_EQ(Slot(&AAX_IACFController::GetNextMIDIPacket), 19);
  EXPECT_EQ(Slot(&AAX_IACFController_V2::GetHostName), 23);
  EXPECT_EQ(Slot(&AAX_IACFAutomationDelegate::PostSetValueRequest), 5);
  EXPECT_EQ(Slot(&AAX_IACFAutomationDelegate::PostReleaseRequest), 8);
  EXPECT_EQ(Slot(&AAX_IACFViewContainer::GetPtr), 4);
  EXPECT_EQ(Slot(&AAX_IACFViewContainer::SetViewSize), 6);
  EXPECT_EQ(Slot(&AAX_IACFHostServices_V3::HandleAssertFailure), 6);
}

TEST(AaxAbi, PlainInterfacesUseTheWindowsHostsLayout)
{
  // One destructor slot, then the methods; the two assignments in reverse order.
  EXPECT_EQ(Slot(&AAX_IString::Length), 1);
  EXPECT_EQ(Slot(&AAX_IString::Get), 3);
  EXPECT_EQ(Slot(&AAX_IString::Set), 4);
  EXPECT_EQ(Slot(&AAX_IString::AssignText), 5);
  EXPECT_EQ(Slot(&AAX_IString::AssignString), 6);
  EXPECT_EQ(Slot(&AAX_IMIDINode::GetTransport), 3);
  EXPECT_EQ(Slot(&AAX_ITransport::GetCurrentTempo), 1);
  EXPECT_EQ(Slot(&AAX_ITransport::GetCurrentTickPosition), 4);
  EXPECT_EQ(Slot(&AAX_ITransport::GetCurrentNativeSampleLocation), 6);
  EXPECT_EQ(Slot(&AAX_ITransport::GetCurrentTicksPerBeat), 10);
}

TEST(AaxAbi, StructsAndIDsHaveTheHostsLayout)
{
  EXPECT_EQ(offsetof(AAX_SPlugInChunk, fChunkID), 20u);
  EXPECT_EQ(offsetof(AAX_SPlugInChunk, fName), 24u);
  EXPECT_EQ(offsetof(AAX_SPlugInChunk, fData), 56u);
  EXPECT_EQ(offsetof(AAX_CMidiStream, mBuffer), 8u);
  EXPECT_EQ(offsetof(AAX_Point, horz), 4u);
  const unsigned char expected[16] = {0x3D, 0x33, 0x4E, 0x96, 0x4C, 0x33, 0x3F, 0x53,
                                      0xC2, 0xC7, 0x38, 0x34, 0xC3, 0xC2, 0x3E, 0x3E};
  EXPECT_EQ(std::memcmp(&IID_IAAXEffectParametersV1, expected, 16), 0);
  EXPECT_EQ(AAX_kSDKVersion >> 32, 0x0209u);
  EXPECT_EQ(AAX_kSDKVersion & 0xFFFFFFFFu, 20209000u);
}
} // namespace

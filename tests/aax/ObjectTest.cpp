// The plug-in's ACF objects as any host first meets them: reference counts, the
// interfaces they answer, the module's live-object count, and calls that come before
// Initialize or with null pointers.

#include "WDL/IPlug/AAX/AAX_CEffectGUI_IPLUG.h"
#include "WDL/IPlug/AAX/AAX_CIPlugParameters.h"
#include "product/TavrikQuenmark.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_Exports.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IString.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_SPlugInChunk.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_UIDs.h"

#include <gtest/gtest.h>

namespace
{
TEST(AaxObjects, EveryVersionAndTheUnknownGiveOneCountedPointer)
{
  const ACFRESULT before = ACFCanUnloadNow(nullptr);
  IACFUnknown* created = (new TavrikQuenmark)->Unknown();
  EXPECT_EQ(ACFCanUnloadNow(nullptr), before + 1) << "a live object keeps the module loaded";

  const acfIID* versions[] = {&IID_IACFUnknown, &IID_IAAXEffectParametersV1, &IID_IAAXEffectParametersV2,
                              &IID_IAAXEffectParametersV3, &IID_IAAXEffectParametersV4};
  acfUInt32 expectedCount = 0;
  for (const acfIID* iid : versions)
  {
    void* out = nullptr;
    ASSERT_EQ(created->QueryInterface(*iid, &out), ACF_OK);
    EXPECT_EQ(out, created);
    ++expectedCount;
  }
  EXPECT_EQ(created->AddRef(), expectedCount + 1) << "the count started at 0";
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(created->QueryInterface(IID_IAAXEffectGUIV1, &out), ACF_E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(created->QueryInterface(IID_IAAXEffectParametersV1, nullptr), ACF_E_POINTER);

  for (acfUInt32 left = expectedCount + 1; left > 0; --left)
    EXPECT_EQ(created->Release(), left - 1);
  EXPECT_EQ(ACFCanUnloadNow(nullptr), before) << "the last Release deleted it";
}

TEST(AaxObjects, TheEditorObjectAnswersItsTwoVersions)
{
  IACFUnknown* gui = AAX_CEffectGUI_IPLUG::Create();
  void* out = nullptr;
  ASSERT_EQ(gui->QueryInterface(IID_IAAXEffectGUIV2, &out), ACF_OK);
  auto* v2 = static_cast<AAX_IACFEffectGUI_V2*>(out);
  EXPECT_EQ(gui->QueryInterface(IID_IAAXEffectGUIV1, &out), ACF_OK);
  EXPECT_EQ(out, v2);
  EXPECT_EQ(gui->QueryInterface(IID_IAAXEffectParametersV1, &out), ACF_E_NOINTERFACE);
  EXPECT_EQ(v2->Initialize(nullptr), AAX_ERROR_NOT_INITIALIZED);
  EXPECT_EQ(v2->SetViewContainer(nullptr), AAX_ERROR_NOT_INITIALIZED);
  EXPECT_EQ(v2->GetViewSize(nullptr), AAX_ERROR_NULL_ARGUMENT);
  AAX_Point size;
  EXPECT_EQ(v2->GetViewSize(&size), AAX_SUCCESS);
  EXPECT_EQ(v2->GetCustomLabel(0, nullptr), AAX_ERROR_NULL_OBJECT);
  v2->Release();
  EXPECT_EQ(gui->Release(), 0u);
}

TEST(AaxObjects, CallsBeforeInitializeAnswerWithoutEffect)
{
  auto* plug = new TavrikQuenmark;
  AAX_IACFEffectParameters_V4* params = plug;
  params->AddRef();
  EXPECT_EQ(params->Initialize(nullptr), AAX_ERROR_NOT_INITIALIZED);
  int32_t count = -1;
  EXPECT_EQ(params->GetNumberOfParameters(&count), AAX_SUCCESS);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(params->GetNumberOfParameters(nullptr), AAX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(params->UpdateParameterNormalizedValue("1", 0.5, 0), AAX_ERROR_INVALID_PARAMETER_ID);
  AAX_CString name("stale");
  EXPECT_EQ(params->GetParameterName("1", &name), AAX_SUCCESS) << "hosts expect an empty name here";
  EXPECT_EQ(name.Text(), "");
  EXPECT_EQ(params->GetParameterIDFromIndex(0, &name), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(params->GetParameterValueInfo("1", 0, &count), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(params->GetCurveData(0, nullptr, 0, nullptr), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(params->RenderAudio_Hybrid(nullptr), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(params->NotificationReceived(0x4158736F, nullptr, 0), AAX_SUCCESS);

  // The field blocks are filled before Initialize too; a block too small for the address
  // is refused rather than overrun.
  AAX_SIPlugPrivateData block{nullptr};
  EXPECT_EQ(params->ResetFieldData(8, &block, sizeof block), AAX_SUCCESS);
  EXPECT_EQ(block.plugin, static_cast<AAX_CIPlugParameters*>(plug));
  uint32_t small = 0xFFFFFFFF;
  EXPECT_EQ(params->ResetFieldData(8, &small, sizeof small), AAX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(params->ResetFieldData(5, &small, sizeof small), AAX_SUCCESS);
  EXPECT_EQ(small, 0u);
  EXPECT_EQ(params->ResetFieldData(5, nullptr, 4), AAX_ERROR_NULL_ARGUMENT);

  // The state can be saved before any host set-up, with the size asked first.
  uint32_t size = 0;
  ASSERT_EQ(params->GetChunkSize(0x516E6D6B, &size), AAX_SUCCESS);
  ASSERT_GT(size, 0u);
  std::vector<char> record(kAAX_ChunkHeaderBytes + size);
  auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
  EXPECT_EQ(params->GetChunk(0x516E6D6B, chunk), AAX_SUCCESS);
  EXPECT_EQ(chunk->fSize, static_cast<int32_t>(size));
  EXPECT_EQ(params->GetChunkSize(0x454C434B, &size), AAX_ERROR_INVALID_CHUNK_ID);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(params->Uninitialize(), AAX_SUCCESS) << "harmless without Initialize";
  EXPECT_EQ(params->Release(), 0u);
}
} // namespace

// The editor adapter: finding the plug-in's editor, opening it in a view container,
// its size.

#include "AaxHarness.h"

#include "WDL/IPlug/IGraphics.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_UIDs.h"

using namespace aaxtest;

namespace
{
TEST(AaxEditor, TheSizeIsTheEditorsAndAContainerWithoutAWindowOpensNothing)
{
  Plugin p;
  ASSERT_EQ(p.instance->OpenEditor(nullptr), AAX_SUCCESS);
  aaxhost::abi::AAX_Point size;
  ASSERT_EQ(p.instance->Editor()->GetViewSize(&size), AAX_SUCCESS);
  const IGraphics& editor = *p.plug->GetGUI();
  EXPECT_EQ(size.horz, static_cast<float>(static_cast<int>(editor.DisplayScale() * editor.Width())));
  EXPECT_EQ(size.vert, static_cast<float>(static_cast<int>(editor.DisplayScale() * editor.Height())));
  EXPECT_EQ(editor.Width(), 300);
  EXPECT_EQ(editor.Height(), 280);
  EXPECT_FALSE(editor.HasWindow());
  EXPECT_EQ(p.instance->Editor()->GetViewSize(nullptr), AAX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(p.instance->CloseEditor(), AAX_SUCCESS);
}

TEST(AaxEditor, ResizeRequestsGoToTheContainerTheEditorIsOpenIn)
{
  Plugin p;
  p.plug->ResizeEditor(400, 300); // no container yet: nothing to ask
  int window = 0;               // the headless layer takes any parent
  ASSERT_EQ(p.instance->OpenEditor(&window), AAX_SUCCESS);
  p.plug->ResizeEditor(400, 300);
  ASSERT_EQ(p.instance->Container()->SizeRequests().size(), 1u);
  EXPECT_EQ(p.instance->Container()->SizeRequests()[0].horz, 400.0f);
  EXPECT_EQ(p.instance->Container()->SizeRequests()[0].vert, 300.0f);
  p.instance->CloseEditor();
  p.plug->ResizeEditor(500, 300);
  EXPECT_EQ(p.plug->Latency(), 0);
}

TEST(AaxEditor, AnEditorWithoutItsPlugInHasNoSizeAndOpensNothing)
{
  Described d;
  ASSERT_TRUE(d.module);
  auto* created = reinterpret_cast<IACFUnknown*>(d.effect().Proc(kAAX_ProcPtrID_Create_EffectGUI)());
  ASSERT_NE(created, nullptr);
  auto* gui = ACFQuery<AAX_IACFEffectGUI_V2>(created, IID_IAAXEffectGUIV2);
  ASSERT_NE(gui, nullptr);
  EXPECT_EQ(gui->SetViewContainer(nullptr), AAX_ERROR_NOT_INITIALIZED);
  AAX_Point size;
  size.horz = 11.0f;
  EXPECT_EQ(gui->GetViewSize(&size), AAX_SUCCESS);
  EXPECT_EQ(size.horz, 11.0f);
  EXPECT_EQ(gui->Release(), 0u);
}

TEST(AaxEditor, OnlyAWindowOfThisPlatformsKindIsOpened)
{
  Plugin p;
  int window = 0;
  ASSERT_EQ(p.instance->OpenEditor(&window, AAX_eViewContainer_Type_NSView), AAX_SUCCESS);
  EXPECT_FALSE(p.plug->GetGUI()->HasWindow()) << "a view of another platform is not ours to open";
  ASSERT_EQ(p.instance->CloseEditor(), AAX_SUCCESS);
  ASSERT_EQ(p.instance->OpenEditor(&window), AAX_SUCCESS);
  EXPECT_TRUE(p.plug->GetGUI()->HasWindow());
  ASSERT_EQ(p.instance->CloseEditor(), AAX_SUCCESS);
  EXPECT_FALSE(p.plug->GetGUI()->HasWindow());
}
} // namespace

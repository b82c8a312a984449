// The editor adapter: finding the plug-in's editor, opening it in a view container,
// its size.

#include "AaxHarness.h"

#include "WDL/IPlug/IGraphics.h"

using namespace aaxtest;

namespace
{
TEST(AaxEditor, TheSizeIsTheEditorsAndAContainerWithoutAWindowOpensNothing)
{
  Plugin p;
  ASSERT_EQ(p.instance->OpenEditor(nullptr), AAX_SUCCESS);
  AAX_Point size;
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
  auto* gui = static_cast<AAX_IEffectGUI*>(d.effect().Proc(kAAX_ProcPtrID_Create_EffectGUI)());
  ASSERT_NE(gui, nullptr);
  aaxhost::ViewContainer container(AAX_eViewContainer_Type_NULL, nullptr);
  EXPECT_EQ(gui->SetViewContainer(&container), AAX_ERROR_NOT_INITIALIZED);
  AAX_Point size;
  size.horz = 11.0f;
  EXPECT_EQ(gui->GetViewSize(&size), AAX_SUCCESS);
  EXPECT_EQ(size.horz, 11.0f);
  EXPECT_EQ(gui->Release(), 0u);
}
} // namespace

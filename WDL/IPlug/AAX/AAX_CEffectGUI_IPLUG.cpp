#include "WDL/IPlug/AAX/AAX_CEffectGUI_IPLUG.h"

#include "WDL/IPlug/AAX/IPlugAAX.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IViewContainer.h"

#include <new>

AAX_IEffectGUI* AAX_CEffectGUI_IPLUG::Create()
{
  return new (std::nothrow) AAX_CEffectGUI_IPLUG;
}

void AAX_CEffectGUI_IPLUG::CreateViewContents()
{
  // Only this module's plug-in objects reach here: the host pairs the GUI with the
  // effect-parameters object of the same instance.
  auto* parameters = dynamic_cast<AAX_CIPlugParameters*>(GetEffectParameters());
  mPlug = dynamic_cast<IPlugAAX*>(parameters);
  mEditor = mPlug != nullptr ? mPlug->GetGUI() : nullptr;
}

void AAX_CEffectGUI_IPLUG::CreateViewContainer()
{
  AAX_IViewContainer* container = GetViewContainer();
  if (mEditor == nullptr || container == nullptr)
    return;
  void* nativeWindow = container->GetPtr();
  if (nativeWindow == nullptr)
    return;
  mPlug->SetViewContainer(container);
  mEditor->OpenEditorWindow(nativeWindow);
}

void AAX_CEffectGUI_IPLUG::DeleteViewContainer()
{
  if (mEditor == nullptr)
    return;
  mEditor->CloseEditorWindow();
  mPlug->SetViewContainer(nullptr);
}

AAX_Result AAX_CEffectGUI_IPLUG::GetViewSizeOf(AAX_Point& size) const
{
  if (mEditor == nullptr)
    return AAX_SUCCESS;
  const double scale = mEditor->DisplayScale();
  size.horz = static_cast<float>(static_cast<int>(scale * mEditor->Width()));
  size.vert = static_cast<float>(static_cast<int>(scale * mEditor->Height()));
  return AAX_SUCCESS;
}

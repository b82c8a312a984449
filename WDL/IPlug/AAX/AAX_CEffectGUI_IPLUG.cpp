#include "WDL/IPlug/AAX/AAX_CEffectGUI_IPLUG.h"

#include "WDL/IPlug/AAX/IPlugAAX.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_VHost.h"

#include <new>

IACFUnknown* AAX_CEffectGUI_IPLUG::Create()
{
  auto* created = new (std::nothrow) AAX_CEffectGUI_IPLUG;
  return created != nullptr ? created->Unknown() : nullptr;
}

namespace
{
bool IsNativeWindowType(int32_t type)
{
#if defined(_WIN32)
  return type == AAX_eViewContainer_Type_HWND;
#else
  return type != AAX_eViewContainer_Type_NULL && type != AAX_eViewContainer_Type_NSView &&
         type != AAX_eViewContainer_Type_UIView && type != AAX_eViewContainer_Type_HWND;
#endif
}
} // namespace

void AAX_CEffectGUI_IPLUG::CreateViewContents()
{
  // The host pairs the GUI with the effect-parameters object of the same instance.
  mPlug = dynamic_cast<IPlugAAX*>(GetEffectParameters());
  mEditor = mPlug != nullptr ? mPlug->GetGUI() : nullptr;
}

void AAX_CEffectGUI_IPLUG::CreateViewContainer()
{
  AAX_VViewContainer* container = GetViewContainer();
  if (mEditor == nullptr || container == nullptr || !IsNativeWindowType(container->GetType()))
    return;
  void* nativeWindow = container->GetPtr();
  if (nativeWindow == nullptr)
    return;
  mPlug->SetEditorContainer(container);
  mEditor->OpenEditorWindow(nativeWindow);
}

void AAX_CEffectGUI_IPLUG::DeleteViewContainer()
{
  if (mEditor == nullptr)
    return;
  mEditor->CloseEditorWindow();
  mPlug->SetEditorContainer(nullptr);
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

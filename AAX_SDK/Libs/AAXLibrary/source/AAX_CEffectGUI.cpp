#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CEffectGUI.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CEffectParameters.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IString.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_UIDs.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_VHost.h"

AAX_CEffectGUI::AAX_CEffectGUI() = default;

AAX_CEffectGUI::~AAX_CEffectGUI() = default;

ACFRESULT AAX_CEffectGUI::QueryInterface(const acfIID& iid, void** out)
{
  return ACFAnswer(this, Unknown(), iid, out, {&IID_IACFUnknown, &IID_IAAXEffectGUIV1, &IID_IAAXEffectGUIV2});
}

acfUInt32 AAX_CEffectGUI::AddRef() { return mReferences.Add(); }

acfUInt32 AAX_CEffectGUI::Release()
{
  const acfUInt32 left = mReferences.Drop();
  if (left == 0)
  {
    Uninitialize();
    delete this;
  }
  return left;
}

AAX_Result AAX_CEffectGUI::Initialize(IACFUnknown* controller)
{
  if (controller == nullptr)
    return AAX_ERROR_NOT_INITIALIZED;
  if (mInitialized)
    return AAX_ERROR_INVALID_ARGUMENT;
  try
  {
    mController = std::make_unique<AAX_VController>(controller);
    // The host answers with the instance's effect-parameters object; only an object of
    // this library answers the private ID with its own address.
    ACFPtr<IACFUnknown> parameters = ACFQueryOwned<IACFUnknown>(controller, IID_IAAXEffectParametersV1);
    mParameters = ACFQuery<AAX_CEffectParameters>(parameters.Get(), IID_AAXLibraryEffectParameters);
    mInitialized = true;
    CreateViewContents();
    return AAX_SUCCESS;
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

void AAX_CEffectGUI::CloseContainer()
{
  if (mViewContainer == nullptr)
    return;
  DeleteViewContainer();
  mViewContainer.reset();
}

AAX_Result AAX_CEffectGUI::Uninitialize()
{
  CloseContainer();
  if (mParameters != nullptr)
    mParameters->Release();
  mParameters = nullptr;
  mController.reset();
  mInitialized = false;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI::NotificationReceived(AAX_CTypeID, const void*, uint32_t) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectGUI::SetViewContainer(IACFUnknown* container)
{
  if (!mInitialized)
    return AAX_ERROR_NOT_INITIALIZED;
  CloseContainer(); // one window at a time: an old container lets go first
  if (container == nullptr)
    return AAX_SUCCESS;
  try
  {
    auto proxy = std::make_unique<AAX_VViewContainer>(container);
    if (!proxy->Valid())
      return AAX_ERROR_NULL_OBJECT;
    mViewContainer = std::move(proxy);
    CreateViewContainer();
    if (mParameters != nullptr)
    {
      int32_t count = 0;
      mParameters->GetNumberOfParameters(&count);
      AAX_CString identifier;
      for (int32_t i = 0; i < count; ++i)
        if (mParameters->GetParameterIDFromIndex(i, &identifier) == AAX_SUCCESS)
          ParameterUpdated(identifier.Get());
    }
    return AAX_SUCCESS;
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

AAX_Result AAX_CEffectGUI::GetViewSize(AAX_Point* size) const
{
  if (size == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  return GetViewSizeOf(*size);
}

AAX_Result AAX_CEffectGUI::Draw(AAX_Rect*) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectGUI::TimerWakeup() { return AAX_SUCCESS; }

AAX_Result AAX_CEffectGUI::ParameterUpdated(AAX_CParamID) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectGUI::GetCustomLabel(AAX_EPlugInStrings, AAX_IString*) const { return AAX_ERROR_NULL_OBJECT; }

AAX_Result AAX_CEffectGUI::SetControlHighlightInfo(AAX_CParamID, AAX_CBoolean, int32_t) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectGUI::GetMinimumViewSize(AAX_Point* size) const
{
  return size != nullptr ? AAX_SUCCESS : AAX_ERROR_NULL_ARGUMENT;
}

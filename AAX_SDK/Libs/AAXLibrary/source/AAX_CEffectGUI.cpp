#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CEffectGUI.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CEffectParameters.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IString.h"

AAX_CEffectGUI::AAX_CEffectGUI() { AAX_CEffectParameters::ObjectCreated(); }

AAX_CEffectGUI::~AAX_CEffectGUI() { AAX_CEffectParameters::ObjectDestroyed(); }

uint32_t AAX_CEffectGUI::AddRef() { return mReferences.fetch_add(1) + 1; }

uint32_t AAX_CEffectGUI::Release()
{
  const uint32_t left = mReferences.fetch_sub(1) - 1;
  if (left == 0)
  {
    if (mParameters != nullptr)
      Uninitialize();
    delete this;
  }
  return left;
}

AAX_Result AAX_CEffectGUI::Initialize(AAX_IEffectParameters* parameters, AAX_IController* controller,
                                      AAX_ITransport* transport)
{
  if (parameters == nullptr || controller == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  if (mParameters != nullptr)
    return AAX_ERROR_ALREADY_INITIALIZED;
  parameters->AddRef();
  mParameters = parameters;
  mController = controller;
  mTransport = transport;
  CreateViewContents();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI::Uninitialize()
{
  if (mViewContainer != nullptr)
  {
    DeleteViewContainer();
    mViewContainer = nullptr;
  }
  if (mParameters != nullptr)
    mParameters->Release();
  mParameters = nullptr;
  mController = nullptr;
  mTransport = nullptr;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI::SetViewContainer(AAX_IViewContainer* container)
{
  if (mParameters == nullptr)
    return AAX_ERROR_NOT_INITIALIZED;
  if (container == nullptr)
  {
    if (mViewContainer != nullptr)
      DeleteViewContainer();
    mViewContainer = nullptr;
    return AAX_SUCCESS;
  }
  if (mViewContainer != nullptr)
    DeleteViewContainer(); // one window at a time: the old container lets go first
  mViewContainer = container;
  CreateViewContainer();
  int32_t count = 0;
  mParameters->GetNumberOfParameters(&count);
  AAX_CString identifier;
  for (int32_t i = 0; i < count; ++i)
    if (mParameters->GetParameterIDFromIndex(i, &identifier) == AAX_SUCCESS)
      ParameterUpdated(identifier.Get());
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI::GetViewSize(AAX_Point* size) const
{
  if (size == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  return GetViewSizeOf(*size);
}

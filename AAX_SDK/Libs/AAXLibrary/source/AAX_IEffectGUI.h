#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

class AAX_IController;
class AAX_IEffectParameters;
class AAX_ITransport;
class AAX_IViewContainer;

// The host's handle on one editor of an instance. Reference counted like
// AAX_IEffectParameters. All calls come on the host's UI thread.
class AAX_IEffectGUI
{
public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
  // The instance's effect-parameters object (one reference kept until Uninitialize),
  // its controller and transport (not owned; transport may be null). Null parameters or
  // controller: AAX_ERROR_NULL_ARGUMENT; a second call: AAX_ERROR_ALREADY_INITIALIZED.
  virtual AAX_Result Initialize(AAX_IEffectParameters* parameters, AAX_IController* controller,
                                AAX_ITransport* transport) = 0;
  virtual AAX_Result Uninitialize() = 0;
  // A container opens the editor in it; null closes it.
  virtual AAX_Result SetViewContainer(AAX_IViewContainer* container) = 0;
  // Null size: AAX_ERROR_NULL_ARGUMENT.
  virtual AAX_Result GetViewSize(AAX_Point* size) const = 0;
  virtual AAX_Result ParameterUpdated(AAX_CParamID id) = 0;
  virtual AAX_Result Draw(AAX_Point* topLeft, AAX_Point* bottomRight) const = 0;
  virtual AAX_Result TimerWakeup() = 0;
  virtual AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t sizeBytes) = 0;

protected:
  virtual ~AAX_IEffectGUI() = default;
};

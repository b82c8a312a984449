#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IACFEffectParameters.h"
#include "AAX_SDK/Libs/AAXLibrary/source/ACFObject.h"

#include <memory>

class AAX_CEffectParameters;
class AAX_VController;
class AAX_VViewContainer;

// The editor object of one instance, as the host sees it through AAX_IACFEffectGUI V1,
// V2: reference counting, the references to the instance's effect-parameters object,
// controller and view container, and the order of the four hooks a plug-in supplies:
// CreateViewContents at the end of Initialize, CreateViewContainer when a container is
// set (then ParameterUpdated for every parameter), DeleteViewContainer when it is taken
// away (SetViewContainer(null), Uninitialize or the last Release with a container set),
// GetViewSizeOf when the host asks. All calls come on the host's UI thread.
class AAX_CEffectGUI : public AAX_IACFEffectGUI_V2
{
public:
  AAX_CEffectGUI();
  AAX_CEffectGUI(const AAX_CEffectGUI&) = delete;
  AAX_CEffectGUI& operator=(const AAX_CEffectGUI&) = delete;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override;
  acfUInt32 AddRef() override;
  acfUInt32 Release() override;

  // Keeps the controller and the instance's effect-parameters object it yields. Null
  // controller: AAX_ERROR_NOT_INITIALIZED; a second call before Uninitialize:
  // AAX_ERROR_INVALID_ARGUMENT.
  AAX_Result Initialize(IACFUnknown* controller) override;
  AAX_Result Uninitialize() override;
  AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) override;
  // A container opens the editor in it, null closes it. Before Initialize:
  // AAX_ERROR_NOT_INITIALIZED; an object that is no view container: AAX_ERROR_NULL_OBJECT.
  AAX_Result SetViewContainer(IACFUnknown* container) override;
  // Null size: AAX_ERROR_NULL_ARGUMENT.
  AAX_Result GetViewSize(AAX_Point* size) const override;
  AAX_Result Draw(AAX_Rect* area) override;
  AAX_Result TimerWakeup() override;
  AAX_Result ParameterUpdated(AAX_CParamID id) override;
  // The host's own labels: AAX_ERROR_NULL_OBJECT.
  AAX_Result GetCustomLabel(AAX_EPlugInStrings selector, AAX_IString* label) const override;
  AAX_Result SetControlHighlightInfo(AAX_CParamID id, AAX_CBoolean highlighted, int32_t color) override;
  // No minimum beyond the view size: success, nothing written.
  AAX_Result GetMinimumViewSize(AAX_Point* size) const override;

  IACFUnknown* Unknown() { return static_cast<AAX_IACFEffectGUI_V2*>(this); }

protected:
  virtual ~AAX_CEffectGUI();
  virtual void CreateViewContents() = 0;
  virtual void CreateViewContainer() = 0;
  virtual void DeleteViewContainer() = 0;
  virtual AAX_Result GetViewSizeOf(AAX_Point& size) const = 0;

  // The instance's effect-parameters object, or null when the controller yields none of
  // this library's.
  AAX_CEffectParameters* GetEffectParameters() const { return mParameters; }
  AAX_VController* GetController() const { return mController.get(); }
  AAX_VViewContainer* GetViewContainer() const { return mViewContainer.get(); }

private:
  void CloseContainer();

  ACFObjectCount mObjectCount;
  ACFReferenceCount mReferences;
  bool mInitialized = false;
  AAX_CEffectParameters* mParameters = nullptr; // one reference while initialized
  std::unique_ptr<AAX_VController> mController;
  std::unique_ptr<AAX_VViewContainer> mViewContainer;
};

#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IEffectGUI.h"

#include <atomic>

// The common behaviour of an editor object: reference counting, the references to the
// instance's parameters, controller, transport and view container, and the order of
// the four hooks a plug-in supplies: CreateViewContents at the end of Initialize,
// CreateViewContainer when a container is set (then ParameterUpdated for every
// parameter), DeleteViewContainer when it is taken away (SetViewContainer(null) or
// Uninitialize with a container set), GetViewSize when the host asks.
class AAX_CEffectGUI : public AAX_IEffectGUI
{
public:
  AAX_CEffectGUI();
  AAX_CEffectGUI(const AAX_CEffectGUI&) = delete;
  AAX_CEffectGUI& operator=(const AAX_CEffectGUI&) = delete;

  uint32_t AddRef() override;
  uint32_t Release() override;
  AAX_Result Initialize(AAX_IEffectParameters* parameters, AAX_IController* controller,
                        AAX_ITransport* transport) override;
  AAX_Result Uninitialize() override;
  AAX_Result SetViewContainer(AAX_IViewContainer* container) override;
  AAX_Result GetViewSize(AAX_Point* size) const override;
  AAX_Result ParameterUpdated(AAX_CParamID) override { return AAX_SUCCESS; }
  AAX_Result Draw(AAX_Point*, AAX_Point*) const override { return AAX_SUCCESS; }
  AAX_Result TimerWakeup() override { return AAX_SUCCESS; }
  AAX_Result NotificationReceived(AAX_CTypeID, const void*, uint32_t) override { return AAX_SUCCESS; }

protected:
  ~AAX_CEffectGUI() override;
  virtual void CreateViewContents() = 0;
  virtual void CreateViewContainer() = 0;
  virtual void DeleteViewContainer() = 0;
  virtual AAX_Result GetViewSizeOf(AAX_Point& size) const = 0;

  AAX_IEffectParameters* GetEffectParameters() const { return mParameters; }
  AAX_IController* GetController() const { return mController; }
  AAX_ITransport* GetTransport() const { return mTransport; }
  AAX_IViewContainer* GetViewContainer() const { return mViewContainer; }

private:
  std::atomic<uint32_t> mReferences{1};
  AAX_IEffectParameters* mParameters = nullptr;
  AAX_IController* mController = nullptr;
  AAX_ITransport* mTransport = nullptr;
  AAX_IViewContainer* mViewContainer = nullptr;
};

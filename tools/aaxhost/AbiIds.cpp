#include "tools/aaxhost/AbiIds.h"

#include <cstdio>
#include <iterator>

namespace aaxhost::abi
{
namespace
{
struct NamedId
{
  acfUID id;
  const char* name;
};
constexpr NamedId kKnownIds[] = {
  {IID_IACFUnknown, "IACFUnknown"},
  {IID_IACFDefinition, "IACFDefinition"},
  {IID_IACFPluginDefinition, "IACFPluginDefinition"},
  {IID_IACFComponentFactory, "IACFComponentFactory"},
  {IID_IACFClassFactory, "IACFClassFactory"},
  {IID_IACFComponentDefinition, "IACFComponentDefinition"},
  {IID_IACFEnumDefinitions, "IACFEnumDefinitions"},
  {IID_CollectionV1, "CollectionV1"},
  {IID_EffectDescriptorV1, "EffectDescriptorV1"},
  {IID_EffectDescriptorV2, "EffectDescriptorV2"},
  {IID_ComponentDescriptorV1, "ComponentDescriptorV1"},
  {IID_ComponentDescriptorV2, "ComponentDescriptorV2"},
  {IID_ComponentDescriptorV3, "ComponentDescriptorV3"},
  {IID_PropertyMapV1, "PropertyMapV1"},
  {IID_PropertyMapV2, "PropertyMapV2"},
  {IID_PropertyMapV3, "PropertyMapV3"},
  {IID_EffectParametersV1, "EffectParametersV1"},
  {IID_EffectParametersV2, "EffectParametersV2"},
  {IID_EffectParametersV3, "EffectParametersV3"},
  {IID_EffectParametersV4, "EffectParametersV4"},
  {IID_ControllerV1, "ControllerV1"},
  {IID_ControllerV2, "ControllerV2"},
  {IID_ControllerV3, "ControllerV3"},
  {IID_ControllerV4, "ControllerV4"},
  {IID_ControllerV5, "ControllerV5"},
  {IID_AutomationDelegateV1, "AutomationDelegateV1"},
  {IID_EffectGUIV1, "EffectGUIV1"},
  {IID_EffectGUIV2, "EffectGUIV2"},
  {IID_ViewContainerV1, "ViewContainerV1"},
  {IID_ViewContainerV2, "ViewContainerV2"},
  {IID_ViewContainerV3, "ViewContainerV3"},
  {IID_HostServicesV1, "HostServicesV1"},
  {IID_HostServicesV2, "HostServicesV2"},
  {IID_HostServicesV3, "HostServicesV3"},
  {IID_TransportV1, "TransportV1"},
  {IID_TransportV2, "TransportV2"},
  {IID_TransportV3, "TransportV3"},
  {IID_TransportV4, "TransportV4"},
  {IID_TransportV5, "TransportV5"},
  {IID_DescriptionHostV1, "DescriptionHostV1"},
  {IID_FeatureInfoV1, "FeatureInfoV1"},
  {IID_TransportControlV1, "TransportControlV1"},
  {IID_PageTableControllerV1, "PageTableControllerV1"},
  {IID_PageTableControllerV2, "PageTableControllerV2"},
  {IID_PageTableV1, "PageTableV1"},
  {IID_PageTableV2, "PageTableV2"},
  {IID_PrivateDataAccessV1, "PrivateDataAccessV1"},
  {IID_HostProcessorV1, "HostProcessorV1"},
  {IID_HostProcessorV2, "HostProcessorV2"},
  {IID_HostProcessorDelegateV1, "HostProcessorDelegateV1"},
  {IID_HostProcessorDelegateV2, "HostProcessorDelegateV2"},
  {IID_HostProcessorDelegateV3, "HostProcessorDelegateV3"},
  {IID_EffectDirectDataV1, "EffectDirectDataV1"},
  {IID_EffectDirectDataV2, "EffectDirectDataV2"},
  {IID_TaskV1, "TaskV1"},
  {IID_TaskV2, "TaskV2"},
  {IID_TaskAgentV1, "TaskAgentV1"},
  {IID_TaskAgentV2, "TaskAgentV2"},
  {IID_SessionDocument, "SessionDocument"},
  {IID_SessionDocumentClient, "SessionDocumentClient"},
  {IID_DataBuffer, "DataBuffer"},
  {CompCollection, "CompCollection"},
  {CompEffectDescriptor, "CompEffectDescriptor"},
  {CompComponentDescriptor, "CompComponentDescriptor"},
  {CompPropertyMap, "CompPropertyMap"},
  {CompEffectParameters, "CompEffectParameters"},
  {CompController, "CompController"},
  {CompAutomationDelegate, "CompAutomationDelegate"},
  {CompEffectGUI, "CompEffectGUI"},
  {CompViewContainer, "CompViewContainer"},
  {CompHostServices, "CompHostServices"},
  {CompTransport, "CompTransport"},
};
} // namespace

std::string NameOf(const acfUID& id)
{
  for (const NamedId& known : kKnownIds)
    if (known.id == id)
      return known.name;
  return {};
}

std::string TextOf(const acfUID& id)
{
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", id.Data1, id.Data2, id.Data3,
                id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
  return text;
}
} // namespace aaxhost::abi

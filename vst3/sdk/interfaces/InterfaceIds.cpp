#include "vst3/sdk/interfaces/InterfaceIds.h"

#include <cstring>
#include <iterator>

namespace Steinberg
{
namespace
{
#define VST3SDK_KNOWN(name) KnownInterface{#name, InterfaceIds::k##name.data()}
constexpr KnownInterface kKnown[] = {
  VST3SDK_KNOWN(FUnknown),
  VST3SDK_KNOWN(IPluginBase),
  VST3SDK_KNOWN(IPluginFactory),
  VST3SDK_KNOWN(IPluginFactory2),
  VST3SDK_KNOWN(IPluginFactory3),
  VST3SDK_KNOWN(IBStream),
  VST3SDK_KNOWN(ISizeableStream),
  VST3SDK_KNOWN(IComponent),
  VST3SDK_KNOWN(IAudioProcessor),
  VST3SDK_KNOWN(IProcessContextRequirements),
  VST3SDK_KNOWN(IAudioPresentationLatency),
  VST3SDK_KNOWN(IParameterChanges),
  VST3SDK_KNOWN(IParamValueQueue),
  VST3SDK_KNOWN(IEventList),
  VST3SDK_KNOWN(IEditController),
  VST3SDK_KNOWN(IEditController2),
  VST3SDK_KNOWN(IEditControllerHostEditing),
  VST3SDK_KNOWN(IComponentHandler),
  VST3SDK_KNOWN(IComponentHandler2),
  VST3SDK_KNOWN(IComponentHandler3),
  VST3SDK_KNOWN(IComponentHandlerBusActivation),
  VST3SDK_KNOWN(IContextMenuTarget),
  VST3SDK_KNOWN(IContextMenu),
  VST3SDK_KNOWN(IUnitInfo),
  VST3SDK_KNOWN(IUnitHandler),
  VST3SDK_KNOWN(IMidiMapping),
  VST3SDK_KNOWN(IMidiLearn),
  VST3SDK_KNOWN(IConnectionPoint),
  VST3SDK_KNOWN(IMessage),
  VST3SDK_KNOWN(IAttributeList),
  VST3SDK_KNOWN(IStreamAttributes),
  VST3SDK_KNOWN(IHostApplication),
  VST3SDK_KNOWN(IPlugInterfaceSupport),
  VST3SDK_KNOWN(IPlugView),
  VST3SDK_KNOWN(IPlugFrame),
  VST3SDK_KNOWN(IPlugViewContentScaleSupport),
  VST3SDK_KNOWN(IParameterFinder),
  VST3SDK_KNOWN(IRunLoop),
  VST3SDK_KNOWN(IEventHandler),
  VST3SDK_KNOWN(ITimerHandler),
};
#undef VST3SDK_KNOWN
} // namespace

const KnownInterface* knownInterfaces(std::size_t& count) noexcept
{
  count = std::size(kKnown);
  return kKnown;
}

const char* interfaceName(const TUID iid) noexcept
{
  if (iid == nullptr)
    return nullptr;
  for (const KnownInterface& entry : kKnown)
  {
    if (std::memcmp(entry.bytes, iid, sizeof(TUID)) == 0)
      return entry.name;
  }
  return nullptr;
}

// The byte rule, checked on the one ID whose bytes are written out for both platforms.
static_assert(tuidFromWords(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802, false)
              == TuidBytes{int8(0xE8), 0x31, int8(0xFF), 0x31, int8(0xF2), int8(0xD5), 0x43, 0x01,
                           int8(0x92), int8(0x8E), int8(0xBB), int8(0xEE), 0x25, 0x69, 0x78, 0x02});
static_assert(tuidFromWords(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802, true)
              == TuidBytes{0x31, int8(0xFF), 0x31, int8(0xE8), int8(0xD5), int8(0xF2), 0x01, 0x43,
                           int8(0x92), int8(0x8E), int8(0xBB), int8(0xEE), 0x25, 0x69, 0x78, 0x02});
} // namespace Steinberg

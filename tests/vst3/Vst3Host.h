#pragma once

// Drives the VST3 plug-in object in-process the way a host does: create, initialize with
// a host context, negotiate, set up, activate, process blocks with parameter queues, save
// and restore state. Plus the host-side recorders the controller tests need.

#include "HostApplication.h"
#include "MemoryStream.h"
#include "ParameterChanges.h"

#include "product/TavrikQuenmark.h"
#include "vst3/IPlugVST3.h"
#include "vst3/IPlugVST3View.h"

#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/IComponentHandler.h"
#include "vst3/sdk/interfaces/IContextMenu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

namespace vst3test
{
using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr double kSixDbGain = 1.9952623149688795; // 10^(6/20)
// Normalized "Gain" (-60 .. +60 dB) for +6 dB.
constexpr double kGainPlusSixNormalized = 66.0 / 120.0;

// One plug-in object as a host holds it: one reference, initialized, set up and active.
class Instance
{
public:
  explicit Instance(const char16* hostName = u"Test Host", int32 sampleSize = kSample64, int32 maxBlock = 512,
                    double rate = 48000.0)
      : plug(new TavrikQuenmark), host(IPtr<HostApplication>::adopt(new HostApplication(hostName)))
  {
    EXPECT_EQ(plug->initialize(host->unknown()), kResultOk);
    EXPECT_EQ(setup(sampleSize, maxBlock, rate), kResultOk);
    EXPECT_EQ(plug->setActive(1), kResultOk);
  }
  ~Instance()
  {
    plug->setActive(0);
    plug->terminate();
    plug->release();
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  tresult setup(int32 sampleSize, int32 maxBlock, double rate, int32 mode = kRealtime)
  {
    ProcessSetup setup{mode, sampleSize, maxBlock, rate};
    return plug->setupProcessing(setup);
  }
  TavrikQuenmark* operator->() const { return plug; }

  TavrikQuenmark* plug;
  IPtr<HostApplication> host;
};

// Host buffers and the ProcessData of one block: `channels` channels per bus (inputs
// filled with `input`), 32- or 64-bit.
template <typename Sample>
class Block
{
public:
  Block(int channels, int frames, double input = 0.25)
      : in(static_cast<size_t>(channels), std::vector<Sample>(static_cast<size_t>(frames), static_cast<Sample>(input))),
        out(static_cast<size_t>(channels), std::vector<Sample>(static_cast<size_t>(frames), Sample(-7))),
        changes(IPtr<ParameterChanges>::adopt(new ParameterChanges))
  {
    for (int c = 0; c < channels; ++c)
    {
      inPointers.push_back(in[static_cast<size_t>(c)].data());
      outPointers.push_back(out[static_cast<size_t>(c)].data());
    }
    inBus.numChannels = outBus.numChannels = channels;
    if constexpr (std::is_same_v<Sample, float>)
    {
      inBus.channelBuffers32 = inPointers.data();
      outBus.channelBuffers32 = outPointers.data();
      data.symbolicSampleSize = kSample32;
    }
    else
    {
      inBus.channelBuffers64 = inPointers.data();
      outBus.channelBuffers64 = outPointers.data();
      data.symbolicSampleSize = kSample64;
    }
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.inputParameterChanges = changes.get();
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  // One point on id's queue for this block.
  Block& change(ParamID id, double normalized, int32 offset = 0)
  {
    changes->addChange(id, offset, normalized);
    return *this;
  }
  tresult run(IAudioProcessor& processor)
  {
    const tresult result = processor.process(data);
    changes->clear();
    return result;
  }
  Sample outAt(int channel, int frame) const { return out[static_cast<size_t>(channel)][static_cast<size_t>(frame)]; }

  std::vector<std::vector<Sample>> in, out;
  std::vector<Sample*> inPointers, outPointers;
  AudioBusBuffers inBus{}, outBus{};
  IPtr<ParameterChanges> changes;
  ProcessData data{};
};

// A flush: no buffers, no samples, only the queues.
inline tresult flush(IAudioProcessor& processor, ParamID id, double normalized)
{
  auto changes = IPtr<ParameterChanges>::adopt(new ParameterChanges);
  changes->addChange(id, 0, normalized);
  ProcessData data{};
  data.symbolicSampleSize = kSample32;
  data.inputParameterChanges = changes.get();
  return processor.process(data);
}

inline std::vector<uint8> stateOf(IComponent& component)
{
  auto stream = IPtr<MemoryStream>::adopt(new MemoryStream);
  EXPECT_EQ(component.getState(stream.get()), kResultOk);
  return stream->bytes();
}

inline tresult restore(IComponent& component, std::vector<uint8> bytes)
{
  auto stream = IPtr<MemoryStream>::adopt(new MemoryStream(std::move(bytes)));
  return component.setState(stream.get());
}

inline std::string narrow(const char16* text)
{
  std::string out;
  for (; *text != 0; ++text)
    out.push_back(static_cast<char>(*text));
  return out;
}

// A component handler that records the edits it is told about; answers
// IComponentHandler3 when asked to, with menus that record their popup.
class RecordingHandler : public FObject, public IComponentHandler, public IComponentHandler3
{
public:
  class Menu : public FObject, public IContextMenu
  {
  public:
    int32 PLUGIN_API getItemCount() override { return 0; }
    tresult PLUGIN_API getItem(int32, Item&, IContextMenuTarget**) override { return kResultFalse; }
    tresult PLUGIN_API addItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
    tresult PLUGIN_API removeItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
    tresult PLUGIN_API popup(UCoord x, UCoord y) override
    {
      popups.push_back({x, y});
      return kResultOk;
    }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
    {
      if (answerAs<IContextMenu>(this, iid, obj))
        return kResultOk;
      return FObject::queryInterface(iid, obj);
    }
    VST3SDK_REFCOUNT_METHODS(FObject)

    std::vector<std::pair<int32, int32>> popups;
  };

  explicit RecordingHandler(bool offersMenus = false) : mOffersMenus(offersMenus) { calls.reserve(64); }

  tresult PLUGIN_API beginEdit(ParamID id) override { return record("begin " + std::to_string(id)); }
  tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override
  {
    return record("perform " + std::to_string(id) + " " + std::to_string(value));
  }
  tresult PLUGIN_API endEdit(ParamID id) override { return record("end " + std::to_string(id)); }
  tresult PLUGIN_API restartComponent(int32 flags) override { return record("restart " + std::to_string(flags)); }
  IContextMenu* PLUGIN_API createContextMenu(IPlugView* view, const ParamID* id) override
  {
    menuView = view;
    menuParam = id != nullptr ? static_cast<int64>(*id) : -1;
    menu = IPtr<Menu>::adopt(new Menu);
    menu->addRef(); // the caller's reference
    return menu.get();
  }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (answerAs<IComponentHandler>(this, iid, obj) || (mOffersMenus && answerAs<IComponentHandler3>(this, iid, obj)))
      return kResultOk;
    return FObject::queryInterface(iid, obj);
  }
  VST3SDK_REFCOUNT_METHODS(FObject)

  std::vector<std::string> calls;
  IPtr<Menu> menu;
  IPlugView* menuView = nullptr;
  int64 menuParam = -2;

private:
  tresult record(std::string call)
  {
    calls.push_back(std::move(call));
    return kResultOk;
  }
  bool mOffersMenus;
};
} // namespace vst3test

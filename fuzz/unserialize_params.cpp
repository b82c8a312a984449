// Feeds arbitrary bytes to the binary parameter reader, then to the normalized and
// plain setters, and aborts as soon as any parameter is not finite or outside its range.
//
// Input layout: byte 0 is the read position (a signed byte, so negative positions are
// tried too); the rest is the chunk.
#include "WDL/IPlug/IPlugBase.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr int kParamCount = 10;

class FuzzPlug final : public IPlugBase
{
public:
  FuzzPlug()
    : IPlugBase(kParamCount, "1-1 2-2", 1, "Fuzz", "", "Maker", 0x00010302, 0x516E6D6B, 0x5476726B, 0,
                false, true, false, 1)
  {
    ParamAt(0)->InitContinuous("Gain", 0.0, -60.0, 60.0, 0.1, "dB");
    ParamAt(1)->InitEnumerated("Measure", 0, 6);
    ParamAt(2)->InitContinuous("Target Value", -12.0, -60.0, 30.0, 0.1);
    ParamAt(3)->InitEnumerated("Mode", 0, 2);
    ParamAt(4)->InitBoolean("Analyze", true);
    ParamAt(5)->InitBoolean("Normalize", true);
    ParamAt(6)->InitEnumerated("Group", 0, 9);
    ParamAt(7)->InitContinuous("Gate", -60.0, -90.0, 0.0, 0.1);
    // Two shapes the product does not use: a curved range and whole steps.
    ParamAt(8)->InitContinuous("Curve", 1.0, 0.001, 20.0, 0.001, "", "", 3.0);
    ParamAt(9)->InitContinuous("Whole", 0.0, -7.0, 7.0, 1.0);
  }

  void BeginInformHostOfParamChange(int) override {}
  void InformHostOfParamChange(int, double) override {}
  void EndInformHostOfParamChange(int) override {}
  void NotifyHostOfPresetChange() override {}
  int SamplePosition() override { return 0; }
  double HostTempo() override { return 120.0; }
  void HostTimeSignature(int* numerator, int* denominator) override { *numerator = *denominator = 4; }
  void FetchTransportInfo(TransportInfo* info) override { *info = TransportInfo(); }
  void ResizeEditor(int, int) override {}
  bool QueueMidiOut(const MidiMessage&) override { return false; }
};

void CheckParams(const IPlugBase& plug)
{
  for (int i = 0; i < plug.ParamCount(); ++i)
  {
    const IPlugParam& param = *plug.ParamAt(i);
    const double value = param.Value();
    const double normalized = param.ToNormalized();
    if (!std::isfinite(value) || value < param.Min() || value > param.Max())
      std::abort();
    if (!std::isfinite(normalized) || normalized < 0.0 || normalized > 1.0)
      std::abort();
  }
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size < 1)
    return 0;
  FuzzPlug plug;
  const int start = static_cast<std::int8_t>(data[0]);
  ChunkBuffer chunk;
  chunk.PutBytes(data + 1, static_cast<int>(size - 1));

  const int end = plug.UnserializeParams(chunk, start);
  if (end != -1 && (end < 4 || end > chunk.Size()))
    std::abort();
  CheckParams(plug);

  // The same bytes as values a host or the editor might send.
  for (int position = 0, i = 0; position + 8 <= chunk.Size(); position += 8, ++i)
  {
    double value = 0.0;
    std::memcpy(&value, chunk.Data() + position, sizeof value);
    IPlugParam& param = *plug.ParamAt(i % kParamCount);
    if (i % 2 == 0)
      param.SetFromNormalized(value);
    else
      param.SetValue(value);
    char text[kParamTextBytes];
    param.FormatForHost(value, i % 4 < 2, text, sizeof text);
    if (std::memchr(text, '\0', sizeof text) == nullptr)
      std::abort();
    plug.SetParameterFromGUI(i % kParamCount, value);
    CheckParams(plug);
  }
  plug.StateEquals(chunk.Data(), chunk.Size(), start);
  return 0;
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Plain records shared by the framework, the product and the bindings.

// Where a parameter change came from; passed with every ParamChanged call.
enum EParamSource
{
  kSourceHost = 1,     // host automation or the host setting a parameter
  kSourceRecall = 2,   // a saved state or a preset was loaded
  kSourceEditor = 3,   // the editor, through SetParameterFromGUI
  kSourceInternal = 4  // the plug-in itself (group receive, transport stop)
};

// Sizes of the framework's fixed text fields, terminating zero included.
constexpr std::size_t kParamTextBytes = 32;
constexpr std::size_t kPluginNameBytes = 128;
constexpr std::size_t kPresetNameBytes = 256;

// A growable byte array for saved states and presets. Values are stored in the
// machine's byte order (little-endian on every target of this system): int32 as 4
// bytes, float64 as 8 bytes. Every read takes a position and returns the position after
// the value, or -1 when the position is negative or fewer bytes remain than the value
// needs; a failed read leaves the destination as it was.
class ChunkBuffer
{
public:
  ChunkBuffer() = default;

  // Appends; each returns the new size in bytes.
  int PutInt32(std::int32_t value);
  int PutFloat64(double value);
  int PutBytes(const void* bytes, int sizeBytes); // null or sizeBytes <= 0 appends nothing
  int PutChunk(const ChunkBuffer& other);

  int GetInt32(std::int32_t* value, int position) const;
  int GetFloat64(double* value, int position) const;
  int GetBytes(void* bytes, int sizeBytes, int position) const;

  int Size() const { return static_cast<int>(mBytes.size()); }
  bool IsEmpty() const { return mBytes.empty(); }
  const std::uint8_t* Data() const { return mBytes.data(); }
  std::uint8_t* Data() { return mBytes.data(); }

  void Clear() { mBytes.clear(); }
  // New bytes are zero; a negative size gives an empty chunk.
  void Resize(int sizeBytes);

  bool operator==(const ChunkBuffer& other) const { return mBytes == other.mBytes; }

private:
  std::vector<std::uint8_t> mBytes;
};

// One preset: its name and the state stored in it. values holds every parameter's plain
// value as it was when the state was stored, in index order, so the preset can be
// recalled without reading the state (RecallPresetValues, which the audio thread may
// call).
struct PresetSlot
{
  bool initialised = false;
  char name[kPresetNameBytes] = "empty";
  ChunkBuffer state;
  std::vector<double> values;
};

// The host's timing and transport, as the binding reads it from the host for a block.
struct TransportInfo
{
  double tempoBpm = 120.0;
  double samplePosition = -1.0;
  double ppqPosition = -1.0;           // in quarter notes
  double lastBarStartQuarters = -1.0;
  double cycleStartQuarters = -1.0;
  double cycleEndQuarters = -1.0;
  std::int32_t timeSigNumerator = 4;
  std::int32_t timeSigDenominator = 4;
  bool transportRunning = false;
  bool loopEnabled = false;
};

// One legal pair of the plug-in's channel I/O list.
struct ChannelConfig
{
  std::int32_t inputs = 0;
  std::int32_t outputs = 0;
};

// A short MIDI message, as handed between the binding and the plug-in.
struct MidiMessage
{
  int offsetFrames = 0;
  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
};

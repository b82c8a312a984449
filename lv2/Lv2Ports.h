#pragma once

#include <cstdint>

// The port list of the LV2 plug-in, in index order: the stereo audio inputs and outputs,
// the atom input the host sends its transport position on, the atom output the plug-in
// reports its own parameter changes on, one control input per parameter, the bypass
// switch (lv2:enabled), and the readouts as control outputs. The description written
// into the bundle and the binding both read it, so they cannot disagree.
struct Lv2Ports
{
  static constexpr std::uint32_t kAudioChannels = 2;
  static constexpr std::uint32_t kReadoutCount = 2; // measured level, applied gain

  std::uint32_t paramCount = 0;

  static constexpr std::uint32_t AudioIn(std::uint32_t channel) { return channel; }
  static constexpr std::uint32_t AudioOut(std::uint32_t channel) { return kAudioChannels + channel; }
  static constexpr std::uint32_t Control() { return 2 * kAudioChannels; }
  static constexpr std::uint32_t Notify() { return 2 * kAudioChannels + 1; }
  static constexpr std::uint32_t FirstParam() { return 2 * kAudioChannels + 2; }
  constexpr std::uint32_t Param(std::uint32_t index) const { return FirstParam() + index; }
  constexpr std::uint32_t Enabled() const { return FirstParam() + paramCount; }
  constexpr std::uint32_t Readout(std::uint32_t index) const { return Enabled() + 1 + index; }
  constexpr std::uint32_t Count() const { return Readout(kReadoutCount); }
};

// The plug-in's URIs. They are saved in hosts' sessions: never change them.
#define QUENMARK_LV2_URI "https://tavrik.example/lv2/quenmark"
#define QUENMARK_LV2_UI_URI QUENMARK_LV2_URI "#ui"
// The state property: the JSON state document, as an atom:String.
#define QUENMARK_LV2_STATE_URI QUENMARK_LV2_URI "#state"
// The notify port's message: a parameter the plug-in changed itself (index, plain value).
#define QUENMARK_LV2_PARAM_CHANGE_URI QUENMARK_LV2_URI "#ParamChange"
#define QUENMARK_LV2_PARAM_INDEX_URI QUENMARK_LV2_URI "#paramIndex"
#define QUENMARK_LV2_PARAM_VALUE_URI QUENMARK_LV2_URI "#paramValue"

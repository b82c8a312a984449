#pragma once

#include "vst3/sdk/interfaces/Types.h"

// Speakers are bits of a 64-bit set; an arrangement's channel count is its number of set
// bits, and the channels of a bus follow ascending bit order (L, R, C, Lfe, Ls, Rs, ...).

namespace Steinberg::Vst
{
inline constexpr Speaker kSpeakerL = 1ull << 0;
inline constexpr Speaker kSpeakerR = 1ull << 1;
inline constexpr Speaker kSpeakerC = 1ull << 2;
inline constexpr Speaker kSpeakerLfe = 1ull << 3;
inline constexpr Speaker kSpeakerLs = 1ull << 4;
inline constexpr Speaker kSpeakerRs = 1ull << 5;
inline constexpr Speaker kSpeakerLc = 1ull << 6;
inline constexpr Speaker kSpeakerRc = 1ull << 7;
inline constexpr Speaker kSpeakerS = 1ull << 8;
inline constexpr Speaker kSpeakerCs = kSpeakerS;
inline constexpr Speaker kSpeakerSl = 1ull << 9;
inline constexpr Speaker kSpeakerSr = 1ull << 10;
inline constexpr Speaker kSpeakerM = 1ull << 19;
inline constexpr Speaker kSpeakerACN0 = 1ull << 20;
inline constexpr Speaker kSpeakerACN1 = 1ull << 21;
inline constexpr Speaker kSpeakerACN2 = 1ull << 22;
inline constexpr Speaker kSpeakerACN3 = 1ull << 23;

namespace SpeakerArr
{
inline constexpr SpeakerArrangement kEmpty = 0;
inline constexpr SpeakerArrangement kMono = kSpeakerM;
inline constexpr SpeakerArrangement kStereo = kSpeakerL | kSpeakerR;
inline constexpr SpeakerArrangement kStereoSurround = kSpeakerLs | kSpeakerRs;
inline constexpr SpeakerArrangement kStereoCenter = kSpeakerLc | kSpeakerRc;
inline constexpr SpeakerArrangement kStereoSide = kSpeakerSl | kSpeakerSr;
inline constexpr SpeakerArrangement kStereoCLfe = kSpeakerC | kSpeakerLfe;
inline constexpr SpeakerArrangement k30Cine = kSpeakerL | kSpeakerR | kSpeakerC;
inline constexpr SpeakerArrangement k30Music = kSpeakerL | kSpeakerR | kSpeakerS;
inline constexpr SpeakerArrangement k31Cine = k30Cine | kSpeakerLfe;
inline constexpr SpeakerArrangement k31Music = k30Music | kSpeakerLfe;
inline constexpr SpeakerArrangement k40Cine = kSpeakerL | kSpeakerR | kSpeakerC | kSpeakerS;
inline constexpr SpeakerArrangement k40Music = kSpeakerL | kSpeakerR | kSpeakerLs | kSpeakerRs;
inline constexpr SpeakerArrangement k41Cine = k40Cine | kSpeakerLfe;
inline constexpr SpeakerArrangement k41Music = k40Music | kSpeakerLfe;
inline constexpr SpeakerArrangement k50 = kSpeakerL | kSpeakerR | kSpeakerC | kSpeakerLs | kSpeakerRs;
inline constexpr SpeakerArrangement k51 = k50 | kSpeakerLfe;
// First-order Ambisonics (B-format), channels in ACN order.
inline constexpr SpeakerArrangement kAmbi1stOrderACN = kSpeakerACN0 | kSpeakerACN1 | kSpeakerACN2 | kSpeakerACN3;

static_assert(kMono == 0x80000 && kStereo == 0x3 && k30Music == 0x103 && k40Music == 0x33);
static_assert(k50 == 0x37 && k51 == 0x3F && kAmbi1stOrderACN == 0xF00000);
static_assert(kStereoSurround == 0x30 && kStereoCenter == 0xC0 && kStereoSide == 0x600 && kStereoCLfe == 0xC);
static_assert(k31Cine == 0xF && k31Music == 0x10B && k40Cine == 0x107 && k41Cine == 0x10F && k41Music == 0x3B);
} // namespace SpeakerArr
} // namespace Steinberg::Vst

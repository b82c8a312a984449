#pragma once

#include "WDL/IPlug/IPlugStructs.h"

#include <optional>
#include <string>
#include <vector>

// The saved state: an int32 length followed by a compact JSON document,
//   {"maxpeak":<measured level>,"params":[{"name":"Gain","value":0.0},...],"version":"1.3.2"}
// with one object per parameter in index order. Parameters are matched by name when
// read, so documents of other versions load the same way.
namespace StateDocument
{
// The level written when the measured level is not a number JSON can hold (silence in
// Continuous mode measures minus infinity), and read when the document has none.
constexpr double kNoLevel = -100.0;
// The highest level a document may hold: a target of +30 from a gain of -60 dB, the ends
// of the two parameters' ranges. A level read from a document is clamped into
// kNoLevel .. kMaxLevel, as parameter values are clamped into their ranges.
constexpr double kMaxLevel = 90.0;

// The parameters a document is written from and read into: `count` names (each
// parameter's "name") and, for writing, their values, in index order. Plain data, so
// documents are built and parsed without the plug-in's lock.
struct Parameters
{
  const char* const* names = nullptr;
  const double* values = nullptr;
  int count = 0;
};

// Appends the document. analyzeAsZero writes parameter `analyzeIndex` as the JSON integer
// 0, so a restored instance that has run does not start analysing by itself.
void Append(ChunkBuffer& chunk, const Parameters& params, double measuredLevel, const char* version,
            bool analyzeAsZero, int analyzeIndex);

// What a valid document holds, validated as a whole before anything is applied.
struct Contents
{
  std::vector<std::optional<double>> values; // by parameter index; empty where no element names it
  double measuredLevel = kNoLevel;
  int endPosition = -1;                       // start + 4 + L
};

// Reads the document at `start`. Returns nothing when there is no document there, it
// does not parse, or it is not a state: a root that is not an object, a "params" member
// that is missing or not an array, an element that is not an object, a matching element
// whose "value" is not a number. `isJson` (when given) tells whether the text parsed as
// JSON at all, so a caller tries other layouts only for text that is not JSON. Parameter
// values are not clamped here; the level is.
std::optional<Contents> Read(const ChunkBuffer& chunk, int start, const Parameters& params, bool* isJson = nullptr);

// The text of the document at `start` as Read sees it: empty when there is none (a
// negative start, fewer than 4 bytes, a length outside the chunk); a zero byte ends it.
std::string TextAt(const ChunkBuffer& chunk, int start, int* endPosition);
}

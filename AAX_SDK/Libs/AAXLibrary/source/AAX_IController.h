#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

// The host's side of one instance: its rate, the stem formats in use, latency and the
// assertion handler.
class AAX_IController
{
public:
  virtual ~AAX_IController() = default;
  virtual AAX_Result GetSampleRate(double* sampleRate) const = 0;
  virtual AAX_Result GetInputStemFormat(AAX_EStemFormat* format) const = 0;
  virtual AAX_Result GetOutputStemFormat(AAX_EStemFormat* format) const = 0;
  virtual AAX_Result SetSignalLatency(int32_t samples) = 0;
  // Where the plug-in reports a broken expectation: the failed condition and where.
  virtual void HandleAssertion(const char* condition, const char* source) = 0;
};

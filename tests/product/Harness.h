#pragma once

#include "product/TavrikQuenmark.h"

#include <cmath>
#include <memory>
#include <mutex>
#include <numbers>
#include <vector>

// Drives the product the way a binding does: construct, identify the host, load preset 0,
// prepare processing, then per block: lock, bind the buffers, run.
struct Harness
{
  explicit Harness(int blockFrames = 512, double rate = 48000.0, const char* hostName = "Test Host")
      : plug(std::make_unique<TavrikQuenmark>())
  {
    plug->SetHost(hostName, 0);
    plug->LoadPreset(0);
    plug->SetSampleRate(rate);
    plug->SetBlockFrames(blockFrames);
    plug->ResetProcessing();
  }

  TavrikQuenmark& operator*() { return *plug; }
  TavrikQuenmark* operator->() { return plug.get(); }

  double value(int index) { return plug->ParamAt(index)->Value(); }
  // A change made in the host: normalized value, source host.
  void hostSets(int index, double plain)
  {
    std::lock_guard<std::recursive_mutex> lock(plug->Mutex());
    IPlugParam* param = plug->ParamAt(index);
    param->SetFromNormalized(param->ToNormalized(plain));
    plug->ParamChanged(index, kSourceHost);
  }
  // A change made in the editor.
  void editorSets(int index, double plain)
  {
    IPlugParam* param = plug->ParamAt(index);
    plug->SetParameterFromGUI(index, param->ToNormalized(plain));
  }
  void setTransport(bool running) { plug->transport.transportRunning = running; }

  // One 64-bit stereo block, in place of `left`/`right` (outputs are separate buffers
  // copied back).
  void process(std::vector<double>& left, std::vector<double>& right)
  {
    const int frames = static_cast<int>(left.size());
    std::vector<double> outLeft(left.size()), outRight(right.size());
    double* in[2] = {left.data(), right.data()};
    double* out[2] = {outLeft.data(), outRight.data()};
    std::lock_guard<std::recursive_mutex> lock(plug->Mutex());
    plug->BindInputBuffers(0, 2, in, frames);
    plug->BindOutputBuffers(0, 2, out);
    plug->RunProcessing(frames);
    left = outLeft;
    right = outRight;
  }

  // `blocks` blocks of a 1 kHz sine with `peakDb` peaks in both channels; returns the
  // last block's output.
  std::vector<double> sine(double peakDb, int blocks, int frames = 512)
  {
    std::vector<double> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    for (int b = 0; b < blocks; ++b)
    {
      for (int i = 0; i < frames; ++i)
        left[static_cast<size_t>(i)] = right[static_cast<size_t>(i)] =
            std::pow(10.0, peakDb / 20.0) * std::sin(2.0 * std::numbers::pi * 1000.0 * (sample + i) / 48000.0);
      sample += frames;
      process(left, right);
    }
    return left;
  }

  std::unique_ptr<TavrikQuenmark> plug;
  long long sample = 0;
};

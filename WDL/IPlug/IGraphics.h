#pragma once

// The editor as the framework and the product reach it. The editor core implements
// this surface; until an editor is attached the framework holds none, and every
// caller skips its editor calls.
class IGraphics
{
public:
  virtual ~IGraphics() = default;

  // Prepares the back buffer before the editor is first drawn.
  virtual void PrepareBackBuffer() = 0;

  // Gives every control bound to paramIdx the parameter's normalized value, without
  // sending it back to the plug-in.
  virtual void SetParameterFromPlug(int paramIdx, double normalizedValue) = 0;

  // Shows a parameter's value in its controls; value is normalized when normalized
  // is true, otherwise plain.
  virtual void SetControlsFromParameter(int paramIdx, double value, bool normalized) = 0;

  // Grays (or restores) every control bound to paramIdx.
  virtual void GrayOutParameterControls(int paramIdx, bool grayed) = 0;
};

#pragma once

#include <string>
#include <vector>

namespace quenmark
{
// quenmark screenshot OUT.png [--plugin PATH] [--seconds N]: plays the embedded programme
// through the bundle (Standard mode, "Analyze" on, "LUFS Int."), opens the bundle's editor
// in an X11 window the way a Linux host does (under the current DISPLAY) and writes what
// the X server shows as a PNG. Returns the exit code.
int runScreenshot(const std::vector<std::string>& args);
} // namespace quenmark

#pragma once

#include "tools/quenmark/PluginSession.h"

#include <filesystem>
#include <memory>

// A session through Debian's lilv: the LV2 bundle TavrikQuenmark.lv2 loaded as LV2 hosts
// load it, 32-bit processing, control ports set before each block, the transport sent as
// time:Position, readings taken from the readout ports and from the saved state.
namespace quenmark
{
// Whether `path` names an LV2 bundle (a folder ending in .lv2).
bool isLv2Bundle(const std::filesystem::path& path);
// Loads the bundle at `path`; throws ToolError when it holds no TavrikQuenmark.
std::shared_ptr<Plugin> loadLv2Plugin(const std::filesystem::path& path);
} // namespace quenmark

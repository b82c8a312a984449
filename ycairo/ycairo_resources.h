#pragma once

#include <cstddef>

// The module's embedded resources, found by integer id and type the way the editor's
// controls ask for their font. Where the bytes live is the platform's business: here
// they are compiled in; a Windows module maps them from its resource section.
struct ycairo_resource
{
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  bool Found() const { return data != nullptr && size > 0; }
};

constexpr int kResourceTypeRawData = 10;
constexpr int kFontResourceForControls = 100;
constexpr int kFontResourceForLabels = 101;

// The bytes of resource id of type, valid for the module's lifetime; empty when the
// module has no such resource. moduleInstance is the module handle on platforms that
// need one (may be null here).
ycairo_resource ycairo_find_resource(void* moduleInstance, int id, int type);

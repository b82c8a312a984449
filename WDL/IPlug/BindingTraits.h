#pragma once

// What differs between the deliverables built from one product: each host binding
// supplies one record (the binding class's kTraits), and the product reads it instead of
// asking which deliverable it is compiled into.
struct BindingTraits
{
  // The plug-in's version as hosts see it (0x00MMmmpp) and as the editor shows it.
  int vendorVersion;
  const char* versionText;
  // The host name the binding identifies every host as at load; null when the binding
  // asks the host for its name.
  const char* fixedHostName;
  // True when every host gets the product's long tail, not only the hosts that need it.
  bool tailForEveryHost;
  // True when the binding loads preset 0 once the host is known.
  bool loadsFirstPreset;
};

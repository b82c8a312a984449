#include "ycairo/ycairo_resources.h"

#include <windows.h>

// The module's own resource section holds the font (RCDATA 100 and 101, from
// resources/TavrikQuenmark.rc): the bytes are mapped with the module and stay valid while
// it is loaded, so FreeType reads them in place and the module carries no second copy.
ycairo_resource ycairo_find_resource(void* moduleInstance, int id, int type)
{
  HMODULE module = static_cast<HMODULE>(moduleInstance);
  // Without a handle: the module this code is linked into (the plug-in DLL, or a programme
  // that carries the resources itself), not the host's executable.
  if (module == nullptr &&
      !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&ycairo_find_resource), &module))
    return {};
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
  if (found == nullptr)
    return {};
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0)
    return {};
  return {static_cast<const unsigned char*>(bytes), size};
}

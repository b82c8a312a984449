#pragma once

// A built module opened as data, the way Windows reads a file's resources without running
// its code, and small file helpers for the Windows tests.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace windowstest
{
constexpr int kRawData = 10; // RT_RCDATA
constexpr int kManifest = 24; // RT_MANIFEST

inline std::string fileBytes(const std::filesystem::path& path)
{
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

class DataModule
{
public:
  explicit DataModule(const std::filesystem::path& path)
    : mHandle(LoadLibraryExW(path.wstring().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
  {
  }
  ~DataModule()
  {
    if (mHandle)
      FreeLibrary(mHandle);
  }
  DataModule(const DataModule&) = delete;
  DataModule& operator=(const DataModule&) = delete;

  bool loaded() const { return mHandle != nullptr; }

  // The bytes of resource `id` of `type` (kRawData, kManifest); empty when there is none.
  std::string resource(int id, int type) const
  {
    HRSRC found = FindResourceW(mHandle, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    if (found == nullptr)
      return {};
    HGLOBAL loaded = LoadResource(mHandle, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
      return {};
    return std::string(static_cast<const char*>(bytes), SizeofResource(mHandle, found));
  }

private:
  HMODULE mHandle;
};
} // namespace windowstest

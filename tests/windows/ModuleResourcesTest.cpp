// The Windows module's resource section as the editor and Windows read it: the font twice
// as raw data, the manifest and the version information.

#include "WindowsModule.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
using windowstest::DataModule;

TEST(ModuleResources, TheFontIsStoredTwiceAsRawDataByteForByte)
{
  const std::string font = windowstest::fileBytes(QUENMARK_FONT_FILE);
  ASSERT_GT(font.size(), 10000u);
  DataModule module(QUENMARK_VST3_MODULE_PATH);
  ASSERT_TRUE(module.loaded());
  for (int id : {100, 101})
  {
    SCOPED_TRACE(id);
    const std::string resource = module.resource(id, windowstest::kRawData);
    EXPECT_EQ(resource.size(), font.size());
    EXPECT_TRUE(resource == font);
  }
  EXPECT_TRUE(module.resource(102, windowstest::kRawData).empty());
}

// The editor reads its font from those resources: the module holds no other copy.
TEST(ModuleResources, TheModuleHoldsTheFontOnlyInItsTwoResources)
{
  const std::string font = windowstest::fileBytes(QUENMARK_FONT_FILE);
  const std::string module = windowstest::fileBytes(QUENMARK_VST3_MODULE_PATH);
  ASSERT_GT(module.size(), font.size());
  int copies = 0;
  for (std::size_t at = module.find(font); at != std::string::npos; at = module.find(font, at + font.size()))
    ++copies;
  EXPECT_EQ(copies, 2);
}

TEST(ModuleResources, TheManifestAsksForTheCallersRightsAndNoDpiAwareness)
{
  DataModule module(QUENMARK_VST3_MODULE_PATH);
  ASSERT_TRUE(module.loaded());
  const std::string manifest = module.resource(2, windowstest::kManifest);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
  EXPECT_EQ(manifest.find("dpiAware"), std::string::npos) << manifest;
}

TEST(ModuleResources, TheVersionInformationNamesTheRelease)
{
  const std::wstring path = std::filesystem::path(QUENMARK_VST3_MODULE_PATH).wstring();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, (1u << 16) | 3u);
  EXPECT_EQ(fixed->dwFileVersionLS, 2u << 16);
  wchar_t* text = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_EQ(std::wstring(text), L"1.3.2");
}
} // namespace

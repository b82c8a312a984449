#include "TestPlug.h"

#include "WDL/IPlug/IPlugHost.h"

#include <gtest/gtest.h>

#include <string>

TEST(HostLookUp, EveryTableTextGivesItsCode)
{
  const struct
  {
    const char* text;
    int code;
  } table[] = {{"cubase", 3}, {"reaper", 1}, {"nuendo", 4}, {"cakewalk", 5}, {"samplitude", 8},
               {"fruity", 7}, {"live", 9}, {"melodyne", 12}, {"vstmanlib", 13}, {"aulab", 14},
               {"garageband", 22}, {"forte", 15}, {"chainer", 16}, {"audition", 17}, {"orion", 18},
               {"sawstudio", 20}, {"logic", 21}, {"digital", 23}, {"audiomulch", 25}, {"presonus", 26},
               {"vst3plugintesthost", 27}, {"protools", 2}, {"ardour", 28}, {"openmpt", 30},
               {"renoise", 29}, {"standalone", 24}, {"wavelab", 31}};
  for (const auto& entry : table)
    EXPECT_EQ(LookUpHostCode(entry.text), entry.code) << entry.text;
}

TEST(HostLookUp, CaseAndSurroundingTextDoNotMatter)
{
  EXPECT_EQ(LookUpHostCode("CUBASE"), kHostCubase);
  EXPECT_EQ(LookUpHostCode("12Cubase7.5 Pro"), kHostCubase);
  EXPECT_EQ(LookUpHostCode("ProTools"), kHostProTools);
  EXPECT_EQ(LookUpHostCode("Live 11"), kHostLive);
  EXPECT_EQ(LookUpHostCode("My WaveLab 11"), kHostWaveLab);
}

TEST(HostLookUp, EarlierEntryWinsWhenTwoTextsOccur)
{
  EXPECT_EQ(LookUpHostCode("reaper cubase"), kHostCubase);
  EXPECT_EQ(LookUpHostCode("logic live"), kHostLive);
  EXPECT_EQ(LookUpHostCode("nuendo reaper"), kHostReaper);
  EXPECT_EQ(LookUpHostCode("digital logic"), kHostLogic);
  EXPECT_EQ(LookUpHostCode("wavelab protools"), kHostProTools);
}

TEST(HostLookUp, UnknownEmptyNullAndOverlongNames)
{
  EXPECT_EQ(LookUpHostCode("Some Other Host"), kHostUnknown);
  EXPECT_EQ(LookUpHostCode(""), kHostUnknown);
  EXPECT_EQ(LookUpHostCode(nullptr), kHostUnknown);
  EXPECT_EQ(LookUpHostCode("\xC3\x89\xFF cub\xC3" "ase"), kHostUnknown);

  const std::string fitting = std::string(249, 'x') + "cubase"; // 255 characters
  EXPECT_EQ(LookUpHostCode(fitting.c_str()), kHostCubase);
  const std::string cut = std::string(250, 'x') + "cubase"; // the last 'e' is cut off
  EXPECT_EQ(LookUpHostCode(cut.c_str()), kHostUnknown);
}

TEST(HostLookUp, PlugInKeepsCodeVersionAndApi)
{
  TestPlug plug;
  EXPECT_EQ(plug.HostCode(), kHostUninit);
  plug.SetHost("Cubase 12", 12);
  EXPECT_EQ(plug.HostCode(), kHostCubase);
  EXPECT_EQ(plug.HostVersion(), 12);
  EXPECT_EQ(plug.HostApiCode(), 1);
  plug.SetHost(nullptr, 0);
  EXPECT_EQ(plug.HostCode(), kHostUnknown);
}

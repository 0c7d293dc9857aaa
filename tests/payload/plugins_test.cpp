#include "payload/plugins.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/payload/payload_fixture.h"

namespace {

class PluginsTest : public PayloadTest {
 protected:
  std::string PluginsFolder() const { return installFolder + "\\plugins"; }

  void UnpackPlugins() {
    for (const std::string& name : kPluginNames)
      WriteFile(installFolder + "\\" + name, "new " + name);
  }
};

TEST_F(PluginsTest, FirstInstallationMovesAllNineteenIntoANewFolder) {
  UnpackPlugins();
  WriteFile(installFolder + "\\Quillbar.exe", "program");
  PlacePlugins();
  ASSERT_TRUE(IsFolder(PluginsFolder()));
  for (const std::string& name : kPluginNames) {
    EXPECT_EQ("new " + name, ReadFile(PluginsFolder() + "\\" + name));
    EXPECT_FALSE(PathExists(installFolder + "\\" + name)) << name;
  }
  EXPECT_EQ(kPluginNames.size(), ListFolder(PluginsFolder()).size());
  EXPECT_EQ((std::vector<std::string>{"Quillbar.exe", "plugins"}), ListFolder(installFolder));
}

TEST_F(PluginsTest, ReinstallationReplacesEachPluginAndLeavesOtherFiles) {
  MakeFolder(PluginsFolder());
  for (const std::string& name : kPluginNames) WriteFile(PluginsFolder() + "\\" + name, "old");
  WriteFile(PluginsFolder() + "\\MyOwnPlugin.dll", "mine");
  UnpackPlugins();
  PlacePlugins();
  for (const std::string& name : kPluginNames) {
    EXPECT_EQ("new " + name, ReadFile(PluginsFolder() + "\\" + name));
  }
  EXPECT_EQ("mine", ReadFile(PluginsFolder() + "\\MyOwnPlugin.dll"));
}

TEST_F(PluginsTest, PluginMissingFromThePayloadLosesItsOlderCopy) {
  MakeFolder(PluginsFolder());
  WriteFile(PluginsFolder() + "\\QBarWeather.htm", "old page");
  UnpackPlugins();
  DeleteFileA((installFolder + "\\QBarWeather.htm").c_str());
  PlacePlugins();
  EXPECT_FALSE(PathExists(PluginsFolder() + "\\QBarWeather.htm"));
  EXPECT_EQ(kPluginNames.size() - 1, ListFolder(PluginsFolder()).size());
}

TEST_F(PluginsTest, PlainFileNamedPluginsStaysAndThePluginsStayUnpacked) {
  WriteFile(PluginsFolder(), "not a folder");
  UnpackPlugins();
  PlacePlugins();
  EXPECT_FALSE(IsFolder(PluginsFolder()));
  EXPECT_EQ("not a folder", ReadFile(PluginsFolder()));
  for (const std::string& name : kPluginNames) {
    EXPECT_EQ("new " + name, ReadFile(installFolder + "\\" + name));
  }
}

TEST_F(PluginsTest, TargetThatWouldNotFitIsLeftAloneRatherThanCut) {
  // 245 + "\" + "QBarWeather.dll" is 261 characters; "\QBarMem.dll" still fits.
  std::string deepFolder = PathOfLength(scratch.path(), 245);
  MakeFolder(deepFolder);
  WriteFile(installFolder + "\\QBarWeather.dll", "weather");
  WriteFile(installFolder + "\\QBarMem.dll", "memory");
  MoveIntoFolder(deepFolder.c_str(), "QBarWeather.dll");
  MoveIntoFolder(deepFolder.c_str(), "QBarMem.dll");
  EXPECT_EQ("weather", ReadFile(installFolder + "\\QBarWeather.dll"));
  EXPECT_EQ("memory", ReadFile(deepFolder + "\\QBarMem.dll"));
  EXPECT_EQ(std::vector<std::string>{"QBarMem.dll"}, ListFolder(deepFolder));
}

}  // namespace

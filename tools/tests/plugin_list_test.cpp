// setup.exe deletes the installed copy of every listed plug-in that the
// payload lacks, so the payload builder must require exactly the names that
// PlacePlugins moves. The builder's reading of the shared list is written
// beside this test at build time.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "payload/plugins.h"

namespace {

std::string BesideThisProgram(const char* name) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

TEST(PluginListTest, SetupMovesExactlyTheNamesTheBuilderRequires) {
  std::vector<std::string> builder = ReadLines(BesideThisProgram("builder-plugin-files.txt"));
  std::vector<std::string> setup(kPluginFiles, kPluginFiles + kPluginFileCount);
  ASSERT_EQ(19u, setup.size());
  EXPECT_EQ(setup, builder);
}

}  // namespace

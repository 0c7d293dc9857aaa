#include "setup/run_mode.h"

#include <gtest/gtest.h>

#include <string>

TEST(RunMode, PlainSetupIsInstallMode) {
  EXPECT_FALSE(IsRemoveOnlyCommandLine("\"C:\\Temp\\setup.exe\""));
  EXPECT_FALSE(IsRemoveOnlyCommandLine(""));
  EXPECT_FALSE(IsRemoveOnlyCommandLine("unwise.ex"));
  EXPECT_FALSE(IsRemoveOnlyCommandLine("unwise exe"));
}

TEST(RunMode, UnwiseInAnyLetterCaseAnywhereIsRemoveOnly) {
  EXPECT_TRUE(IsRemoveOnlyCommandLine("C:\\PROGRA~1\\QUILLBAR\\UNWISE.EXE ***"));
  EXPECT_TRUE(IsRemoveOnlyCommandLine("c:\\progra~1\\quillbar\\unwise.exe ***"));
  EXPECT_TRUE(IsRemoveOnlyCommandLine("setup.exe UnWiSe.ExE"));
  EXPECT_TRUE(IsRemoveOnlyCommandLine("setup.exe /x=unwise.exe2"));
}

TEST(RunMode, OnlyAsciiLettersAreFolded) {
  // Lower-casing must not turn other bytes into letters: '@'+1 is 'A', but
  // 'Z'+1 ('[') must not become '{'.
  EXPECT_FALSE(IsRemoveOnlyCommandLine("UNWISE[EXE"));
  EXPECT_FALSE(
      IsRemoveOnlyCommandLine("unwise\xAE"
                              "exe"));
}

TEST(RunMode, CommandLineLongerThanMaxPathIsSearchedWhole) {
  std::string line = "\"C:\\Temp\\setup.exe\" " + std::string(400, 'x');
  EXPECT_FALSE(IsRemoveOnlyCommandLine(line.c_str()));
  EXPECT_TRUE(IsRemoveOnlyCommandLine((line + " unwise.exe").c_str()));
}

#include "common/command_tail.h"

#include <gtest/gtest.h>

TEST(CommandLineTail, SkipsAnUnquotedProgramNameAndTheBlanksAfterIt) {
  EXPECT_STREQ("/s  two words", CommandLineTail("setup.exe \t /s  two words"));
}

TEST(CommandLineTail, SkipsAQuotedProgramNameWithBlanksInIt) {
  EXPECT_STREQ("unwise.exe",
               CommandLineTail("\"C:\\Program Files\\Quillbar\\setup.exe\" unwise.exe"));
}

TEST(CommandLineTail, TakesAPartlyQuotedProgramNameAsOneWord) {
  EXPECT_STREQ("x", CommandLineTail("C:\\\"Program Files\"\\setup.exe x"));
}

TEST(CommandLineTail, IsEmptyWhenNothingFollowsTheName) {
  EXPECT_STREQ("", CommandLineTail("setup.exe"));
  EXPECT_STREQ("", CommandLineTail("\"C:\\My Setup\\setup.exe\"   "));
  EXPECT_STREQ("", CommandLineTail(""));
}

TEST(CommandLineTail, KeepsNonAsciiBytesOfTheProgramName) {
  EXPECT_STREQ("/s", CommandLineTail("C:\\Install\xe9\\setup.exe /s"));
}

#include "common/text.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

TEST(CopyText, CopiesWhatFitsWithItsTerminator) {
  char buffer[8];
  memset(buffer, 'g', sizeof buffer);
  EXPECT_TRUE(CopyText(buffer, "1234567"));
  EXPECT_STREQ("1234567", buffer);
}

TEST(CopyText, RefusesWhatLeavesNoRoomForTheTerminator) {
  char buffer[8] = "old";
  EXPECT_FALSE(CopyText(buffer, "12345678"));
  EXPECT_STREQ("", buffer);
}

TEST(AppendText, AppendsUpToTheLastByte) {
  char buffer[8] = "abc";
  EXPECT_TRUE(AppendText(buffer, "defg"));
  EXPECT_STREQ("abcdefg", buffer);
}

TEST(AppendText, LeavesTheTextAsItWasOnOverflow) {
  char buffer[8] = "abc";
  EXPECT_FALSE(AppendText(buffer, "defgh"));
  EXPECT_STREQ("abc", buffer);
}

TEST(AppendText, RefusesABufferWithoutTerminator) {
  char buffer[4];
  memset(buffer, 'g', sizeof buffer);
  EXPECT_FALSE(AppendText(buffer, ""));
}

TEST(JoinPath, JoinsAFolderOf259CharactersOnlyWithNothing) {
  char path[260];
  std::string folder(259, 'f');
  EXPECT_TRUE(JoinPath(path, folder.c_str(), ""));
  EXPECT_FALSE(JoinPath(path, folder.c_str(), "\\Quillbar.exe"));
  EXPECT_STREQ("", path);
  std::string fits(260 - 1 - strlen("\\Quillbar.exe"), 'f');
  EXPECT_TRUE(JoinPath(path, fits.c_str(), "\\Quillbar.exe"));
  EXPECT_EQ(fits + "\\Quillbar.exe", path);
}

TEST(LowerAscii, ChangesOnlyTheLettersAToZ) {
  std::string text = "C:\\UNWISE.EXE \xC4\xD6 @[`{";
  for (char& c : text) c = LowerAscii(c);
  EXPECT_EQ("c:\\unwise.exe \xC4\xD6 @[`{", text);
}

TEST(WideText, FillsUpToTheLastCharacterThenRefusesAndKeepsTheText) {
  wchar_t buffer[6];
  EXPECT_TRUE(CopyText(buffer, L"ab"));
  EXPECT_TRUE(AppendAsciiText(buffer, "cd"));
  EXPECT_TRUE(AppendDecimal(buffer, 7u));
  EXPECT_STREQ(L"abcd7", buffer);
  EXPECT_FALSE(AppendText(buffer, L"x"));
  EXPECT_FALSE(AppendAsciiText(buffer, "x"));
  EXPECT_FALSE(AppendDecimal(buffer, 1u));
  EXPECT_STREQ(L"abcd7", buffer);
  EXPECT_FALSE(CopyText(buffer, L"abcdef"));
  EXPECT_STREQ(L"", buffer);
}

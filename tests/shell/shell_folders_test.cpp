#include "shell/shell_folders.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "tests/shell/registry_spy.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/registry_paths.h"

namespace {

using registry_paths::kShellFolders;

class ShellFoldersTest : public ::testing::Test {
 protected:
  // The lookup's result, checked to end inside its MAX_PATH bytes and to leave
  // the bytes after them alone.
  std::string Lookup(void (*lookup)(char*)) {
    char buffer[MAX_PATH + 40];
    memset(buffer, 'g', sizeof buffer);
    lookup(buffer);
    return Checked(buffer);
  }
  std::string Checked(const char* buffer) {
    for (size_t i = MAX_PATH; i < MAX_PATH + 40; ++i) {
      EXPECT_EQ('g', buffer[i]) << "written past the buffer at " << i;
    }
    const void* end = memchr(buffer, 0, MAX_PATH);
    EXPECT_TRUE(end != nullptr) << "not terminated inside the buffer";
    return end ? std::string(buffer) : std::string("<unterminated>");
  }
  RegistrySandbox registry;
};

TEST_F(ShellFoldersTest, EachLookupReadsItsOwnValue) {
  SetRegText(HKEY_CURRENT_USER, kShellFolders, "Start Menu", "C:\\Profile\\Start Menu");
  SetRegText(HKEY_CURRENT_USER, kShellFolders, "Programs", "C:\\Profile\\Start Menu\\Programs");
  SetRegText(HKEY_CURRENT_USER, kShellFolders, "Desktop", "D:\\Desk top");
  SetRegText(HKEY_CURRENT_USER, kShellFolders, "Startup", "C:\\Profile\\Startup");
  EXPECT_EQ("C:\\Profile\\Start Menu", Lookup(GetStartMenuFolder));
  EXPECT_EQ("C:\\Profile\\Start Menu\\Programs", Lookup(GetProgramsFolder));
  EXPECT_EQ("D:\\Desk top", Lookup(GetDesktopFolder));
  EXPECT_EQ("C:\\Profile\\Startup", Lookup(GetStartupFolder));
}

TEST_F(ShellFoldersTest, ReadsThePerUserKeyForReadingOnly) {
  SetRegText(HKEY_CURRENT_USER, kShellFolders, "Startup", "C:\\Profile\\Startup");
  RegistrySpy spy;
  char result[MAX_PATH];
  GetStartupFolder(result);
  EXPECT_EQ((std::vector<std::string>{
                std::string("open HKCU\\") + kShellFolders + " access=0x20019",
                std::string("query HKCU\\") + kShellFolders + " Startup size=260",
                std::string("close HKCU\\") + kShellFolders,
            }),
            spy.calls);
}

TEST_F(ShellFoldersTest, EmptyValueNameOpensNoKey) {
  SetRegText(HKEY_CURRENT_USER, kShellFolders, "", "C:\\Default value");
  char buffer[MAX_PATH + 40];
  memset(buffer, 'g', sizeof buffer);
  RegistrySpy spy;
  GetShellFolder(buffer, "");
  EXPECT_EQ("", Checked(buffer));
  EXPECT_TRUE(spy.calls.empty());
}

TEST_F(ShellFoldersTest, MissingKeyOrValueGivesEmpty) {
  EXPECT_EQ("", Lookup(GetDesktopFolder));
  SetRegText(HKEY_CURRENT_USER, kShellFolders, "Desktop", "C:\\Desktop");
  EXPECT_EQ("", Lookup(GetStartupFolder));
}

TEST_F(ShellFoldersTest, FolderOf259CharactersFits) {
  std::string folder = "C:\\" + std::string(256, 'f');
  SetRegText(HKEY_CURRENT_USER, kShellFolders, "Programs", folder);
  EXPECT_EQ(folder, Lookup(GetProgramsFolder));
}

TEST_F(ShellFoldersTest, ValueThatDoesNotFitGivesEmptyNotCut) {
  SetRegText(HKEY_CURRENT_USER, kShellFolders, "Programs", "C:\\" + std::string(257, 'f'));
  EXPECT_EQ("", Lookup(GetProgramsFolder));
  SetRegText(HKEY_CURRENT_USER, kShellFolders, "Programs", "C:\\" + std::string(600, 'f'));
  EXPECT_EQ("", Lookup(GetProgramsFolder));
}

TEST_F(ShellFoldersTest, UnterminatedValueEndsInNul) {
  std::string folder = "C:\\Profile\\Desktop";
  SetRegValue(HKEY_CURRENT_USER, kShellFolders, "Desktop", REG_BINARY, folder.data(),
              static_cast<DWORD>(folder.size()));
  EXPECT_EQ(folder, Lookup(GetDesktopFolder));
  // 260 bytes without a terminator would need 261: refused, not cut.
  std::string full = "C:\\" + std::string(257, 'f');
  SetRegValue(HKEY_CURRENT_USER, kShellFolders, "Desktop", REG_BINARY, full.data(),
              static_cast<DWORD>(full.size()));
  EXPECT_EQ("", Lookup(GetDesktopFolder));
}

TEST_F(ShellFoldersTest, OtherValueTypesAreTakenAsTheirBytesUnexpanded) {
  SetRegValue(HKEY_CURRENT_USER, kShellFolders, "Startup", REG_EXPAND_SZ, "%USERPROFILE%\\Startup",
              22);
  EXPECT_EQ("%USERPROFILE%\\Startup", Lookup(GetStartupFolder));
  DWORD number = 0x00434241;  // "ABC" and a NUL, little-endian
  SetRegValue(HKEY_CURRENT_USER, kShellFolders, "Startup", REG_DWORD, &number, sizeof number);
  EXPECT_EQ("ABC", Lookup(GetStartupFolder));
  DWORD noNul = 0x44434241;
  SetRegValue(HKEY_CURRENT_USER, kShellFolders, "Startup", REG_DWORD, &noNul, sizeof noNul);
  EXPECT_EQ("ABCD", Lookup(GetStartupFolder));
}

}  // namespace

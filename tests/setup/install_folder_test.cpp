#include "setup/install_folder.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "setup/setup_state.h"
#include "tests/support/fake_outside.h"
#include "tests/support/registry_sandbox.h"

namespace {

const char kKey[] = "SOFTWARE\\TarragonProducts\\Tarragon";

class InstallFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setupState = SetupState{};
    memset(setupState.installFolder, 'g', sizeof setupState.installFolder);
    fake.windowsFolder = "C:\\windows";
  }
  std::string Loaded() {
    LoadInstallFolder();
    const char* end = static_cast<const char*>(memchr(setupState.installFolder, 0, MAX_PATH));
    EXPECT_TRUE(end != nullptr) << "installFolder is not terminated inside its buffer";
    return end ? std::string(setupState.installFolder) : std::string();
  }
  RegistrySandbox registry;
  FakeOutside fake;
};

TEST_F(InstallFolderTest, RemembersTheStoredFolderExactlyWithoutCheckingIt) {
  SetRegText(HKEY_LOCAL_MACHINE, kKey, "Folder", "Q:\\Nowhere\\Quill bar");
  EXPECT_EQ("Q:\\Nowhere\\Quill bar", Loaded());
}

TEST_F(InstallFolderTest, NoKeyGivesTheDefaultOnTheWindowsDrive) {
  EXPECT_EQ("C:\\Program Files\\Quillbar", Loaded());
  fake.windowsFolder = "D:\\WINNT";
  EXPECT_EQ("D:\\Program Files\\Quillbar", Loaded());
  fake.windowsFolder = "e:\\windows";
  EXPECT_EQ("e:\\Program Files\\Quillbar", Loaded())
      << "the letter is taken as the system spells it";
}

TEST_F(InstallFolderTest, KeyWithoutFolderValueGivesTheDefault) {
  SetRegText(HKEY_LOCAL_MACHINE, kKey, "Other", "X:\\");
  fake.windowsFolder = "D:\\Windows";
  EXPECT_EQ("D:\\Program Files\\Quillbar", Loaded());
}

TEST_F(InstallFolderTest, UncWindowsFolderKeepsDriveC) {
  fake.windowsFolder = "\\\\server\\windows";
  EXPECT_EQ("C:\\Program Files\\Quillbar", Loaded());
}

TEST_F(InstallFolderTest, EmptyStoredFolderIsTakenAsStored) {
  SetRegText(HKEY_LOCAL_MACHINE, kKey, "Folder", "");
  EXPECT_EQ("", Loaded());
}

TEST_F(InstallFolderTest, OverLongValueGivesTheDefault) {
  SetRegText(HKEY_LOCAL_MACHINE, kKey, "Folder", std::string(300, 'x'));
  EXPECT_EQ("C:\\Program Files\\Quillbar", Loaded());
}

TEST_F(InstallFolderTest, ValueOf259CharactersFitsWithItsTerminator) {
  std::string folder = "C:\\" + std::string(256, 'x');
  SetRegText(HKEY_LOCAL_MACHINE, kKey, "Folder", folder);
  EXPECT_EQ(folder, Loaded());
}

TEST_F(InstallFolderTest, UnterminatedValueEndsInNulInsideTheBuffer) {
  std::string folder = "C:\\Apps\\Quillbar";
  SetRegValue(HKEY_LOCAL_MACHINE, kKey, "Folder", REG_BINARY, folder.data(),
              static_cast<DWORD>(folder.size()));
  EXPECT_EQ(folder, Loaded());
}

TEST_F(InstallFolderTest, UnterminatedValueFillingTheWholeBufferGivesTheDefault) {
  std::string folder(MAX_PATH, 'y');
  SetRegValue(HKEY_LOCAL_MACHINE, kKey, "Folder", REG_BINARY, folder.data(),
              static_cast<DWORD>(folder.size()));
  EXPECT_EQ("C:\\Program Files\\Quillbar", Loaded());
}

TEST_F(InstallFolderTest, ValueOfAnotherTypeIsTakenAsText) {
  DWORD number = 0x00414141;  // "AAA" and a NUL
  SetRegValue(HKEY_LOCAL_MACHINE, kKey, "Folder", REG_DWORD, &number, sizeof number);
  EXPECT_EQ("AAA", Loaded());
}

}  // namespace

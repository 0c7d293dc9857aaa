// The path scans of setup.exe, walked by characters. CTest runs these tests
// under code page 932 (LC_ALL=ja_JP.UTF-8; test programs carry no UTF-8
// manifest), where 表, ソ, 能, 十 and 予 end in the byte 0x5C, a backslash:
// a scan byte by byte would cut every name below at it. ASCII paths, where
// both scans agree, are the other tests' business.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include <string>

#include "common/path_chars.h"
#include "payload/extract.h"
#include "setup/setup_state.h"
#include "shell/tray_loader.h"
#include "tests/support/fake_outside.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/scratch_folder.h"
#include "wizard/folder_page.h"

namespace {

// The text in the ANSI code page, which spells every name below.
std::string Ansi(const std::wstring& wide) {
  char text[2 * MAX_PATH];
  int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, NULL, NULL);
  return std::string(text, size > 0 ? size - 1 : 0);
}

class PathScanTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(932u, GetACP()) << "CTest runs this with LC_ALL=ja_JP.UTF-8"; }
};

TEST_F(PathScanTest, LastBackslashColonOrDotIsAWholeCharacter) {
  struct Row {
    const wchar_t* text;
    const char* set;
    const wchar_t* before;  // the text before the character found; null: none
  };
  const Row rows[] = {
      {L"C:\\Tools\\表", "\\", L"C:\\Tools"},
      {L"C:\\表", "\\:", L"C:"},
      {L"表十", "\\:", nullptr},
      {L"C:\\十.d\\予", ".", L"C:\\十"},
  };
  for (const Row& row : rows) {
    std::string text = Ansi(row.text);
    const char* found = FindLastPathChar(text.c_str(), row.set);
    if (!row.before) {
      EXPECT_EQ(nullptr, found) << text;
    } else {
      ASSERT_NE(nullptr, found) << text;
      EXPECT_EQ(Ansi(row.before), std::string(text.c_str(), found)) << text;
    }
  }
}

// Every level is made under its own name: none is cut at a trail byte, and
// only a trailing backslash character is dropped.
TEST_F(PathScanTest, CreateFolderPathMakesEveryLevelWhole) {
  ScratchFolder scratch;
  const std::pair<const wchar_t*, const wchar_t*> rows[] = {
      {L"\\ソフト\\表\\Quillbar\\", L"\\ソフト\\表\\Quillbar"},
      {L"\\能\\十\\予", L"\\能\\十\\予"},
  };
  for (const auto& row : rows) {
    std::string path = scratch.path() + Ansi(row.first);
    EXPECT_EQ(1, CreateFolderPath(path.c_str())) << path;
    EXPECT_TRUE(IsFolder(scratch.path() + Ansi(row.second))) << path;
  }
}

// The payload is looked for in the folder of setup.exe, whatever its own
// name or its folder's ends in.
TEST_F(PathScanTest, SetupFolderScanStopsAtARealBackslash) {
  const std::pair<const wchar_t*, const wchar_t*> rows[] = {
      {L"C:\\Tools\\表\\setup.exe", L"C:\\Tools\\表\\qbar47.dat"},
      {L"C:\\Tools\\予約setup.exe", L"C:\\Tools\\qbar47.dat"},
      {L"C:\\表.exe", L"C:\\qbar47.dat"},
  };
  for (const auto& row : rows) {
    memset(&setupState, 0, sizeof setupState);
    FakeOutside fake;
    fake.modulePath = Ansi(row.first);
    fake.Answer(IDOK);  // no payload there: "Cannot find qbar47.dat ..."
    EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
    EXPECT_EQ(Ansi(row.second), setupState.payloadArchivePath) << fake.modulePath;
    memset(&setupState, 0, sizeof setupState);
  }
}

// The tray program is looked for beside the removing setup program, and only
// that program's entry is taken out of UserInit.
TEST_F(PathScanTest, TrayLoaderEntryIsBesideTheSetupProgram) {
  const char kWinlogon[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  const char kStandard[] = "C:\\WINDOWS\\system32\\userinit.exe,";
  struct Row {
    const wchar_t* module;
    const wchar_t* tray;
    bool removed;
  };
  const Row rows[] = {
      {L"C:\\Missing\\表\\unwise.exe", L"C:\\Missing\\表\\qbartray.exe", true},
      {L"C:\\Missing\\ソフト表.exe", L"C:\\Missing\\qbartray.exe", true},
      // ア and ヂ differ only in a second byte that is a letter (0x41, 0x61).
      {L"C:\\Missing\\ア\\unwise.exe", L"C:\\Missing\\ヂ\\qbartray.exe", false},
  };
  for (const Row& row : rows) {
    RegistrySandbox registry;
    FakeOutside fake;
    fake.windowsFolder = "C:\\WINDOWS";
    fake.modulePath = Ansi(row.module);  // no such file: its long form is the one registered
    std::string userInit = kStandard + Ansi(row.tray) + ",";
    SetRegText(HKEY_LOCAL_MACHINE, kWinlogon, "UserInit", userInit);
    RemoveTrayLoader();
    EXPECT_EQ(row.removed ? kStandard : userInit,
              ReadRegText(HKEY_LOCAL_MACHINE, kWinlogon, "UserInit"))
        << fake.modulePath;
  }
}

}  // namespace

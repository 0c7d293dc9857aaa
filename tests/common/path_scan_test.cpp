// The path scans of setup.exe, walked by characters. CTest runs these tests
// in Wine's default code page (1252) and again under code page 932
// (LC_ALL=ja_JP.UTF-8; test programs carry no UTF-8 manifest), where 表, ソ,
// 能, 十 and 予 end in the byte 0x5C. Rows whose names the code page cannot
// spell are left out of that run; the ASCII rows run in every code page and
// must give what a byte-wise scan gives.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdlib.h>
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

// The wide text in the ANSI code page; false when the code page cannot
// spell every character of it.
bool ToAnsi(const std::wstring& wide, std::string* ansi) {
  BOOL lossy = FALSE;
  int size =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, NULL, 0, NULL, &lossy);
  if (size <= 0 || lossy) return false;
  ansi->assign(size, '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, &(*ansi)[0], size, NULL,
                      NULL);
  ansi->resize(size - 1);
  return true;
}

std::wstring ToWide(const std::string& ansi) {
  int size = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, NULL, 0);
  std::wstring wide(size, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], size);
  wide.resize(size - 1);
  return wide;
}

bool HasTrailBackslash(const std::string& ansi) {
  for (const char* c = ansi.c_str(); *c; c = CharNextA(c)) {
    if (IsDBCSLeadByte(static_cast<BYTE>(*c)) && c[1] == '\\') return true;
  }
  return false;
}

// The CTest run under 932 says so, so that a locale that did not take
// cannot pass by leaving every Japanese row out.
class PathScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* expected = getenv("QB_EXPECT_ACP");
    if (expected) {
      ASSERT_EQ(static_cast<UINT>(atoi(expected)), GetACP());
    }
  }
  void TearDown() override {
    if (GetACP() == 932) {
      EXPECT_GT(trailRows, 0) << "no row had a trail byte 0x5C";
    }
    EXPECT_GT(rowsRun, 0);
  }
  // The row's texts in the code page, or false to leave the row out.
  bool Spell(std::initializer_list<std::pair<const std::wstring*, std::string*>> texts) {
    for (const auto& text : texts) {
      if (!ToAnsi(*text.first, text.second)) return false;
    }
    ++rowsRun;
    if (HasTrailBackslash(*texts.begin()->second)) ++trailRows;
    return true;
  }
  int rowsRun = 0;
  int trailRows = 0;
};

TEST_F(PathScanTest, LastBackslashColonOrDotIsAWholeCharacter) {
  struct Row {
    std::wstring text;
    const char* set;
    const wchar_t* before;  // the text before the character found; null: none
  };
  const Row rows[] = {
      {L"C:\\Tools\\Quillbar", "\\", L"C:\\Tools"},
      {L"C:\\Tools\\表", "\\", L"C:\\Tools"},
      {L"C:\\ソフト\\能", "\\", L"C:\\ソフト"},
      {L"C:\\表", "\\:", L"C:"},
      {L"表十", "\\:", nullptr},
      {L"C:\\十.d\\予", ".", L"C:\\十"},
      {L"C:\\Tools\\setup.exe", ".", L"C:\\Tools\\setup"},
      {L"C:\\予", ".", nullptr},
  };
  for (const Row& row : rows) {
    std::string text, before;
    std::wstring beforeWide = row.before ? row.before : L"";
    if (!Spell({{&row.text, &text}, {&beforeWide, &before}})) continue;
    const char* found = FindLastPathChar(text.c_str(), row.set);
    if (!row.before) {
      EXPECT_EQ(nullptr, found) << text;
    } else {
      ASSERT_NE(nullptr, found) << text;
      EXPECT_EQ(before, std::string(text.c_str(), found)) << text;
    }
  }
}

// Every level is made under its own name: none is cut at a trail byte, and
// only a trailing backslash character is dropped.
TEST_F(PathScanTest, CreateFolderPathMakesEveryLevelWhole) {
  ScratchFolder scratch;
  const std::wstring base = ToWide(scratch.path());
  const std::pair<std::wstring, std::wstring> rows[] = {
      {L"\\Tools\\Quillbar", L"\\Tools\\Quillbar"},
      {L"\\Tools\\表", L"\\Tools\\表"},
      {L"\\ソフト\\表\\Quillbar\\", L"\\ソフト\\表\\Quillbar"},
      {L"\\能\\十\\予", L"\\能\\十\\予"},
  };
  for (const auto& row : rows) {
    std::string path, made;
    std::wstring pathWide = base + row.first, madeWide = base + row.second;
    if (!Spell({{&pathWide, &path}, {&madeWide, &made}})) continue;
    EXPECT_EQ(1, CreateFolderPath(path.c_str())) << path;
    DWORD attributes = GetFileAttributesW(madeWide.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        << path;
  }
}

// The payload is looked for in the folder of setup.exe, whatever its own
// name or its folder's ends in.
TEST_F(PathScanTest, SetupFolderScanStopsAtARealBackslash) {
  const std::pair<std::wstring, std::wstring> rows[] = {
      {L"C:\\Tools\\setup.exe", L"C:\\Tools\\qbar47.dat"},
      {L"C:\\setup.exe", L"C:\\qbar47.dat"},
      {L"C:\\Tools\\表\\setup.exe", L"C:\\Tools\\表\\qbar47.dat"},
      {L"C:\\Tools\\予約setup.exe", L"C:\\Tools\\qbar47.dat"},
      {L"C:\\表.exe", L"C:\\qbar47.dat"},
  };
  for (const auto& row : rows) {
    std::string module, archive;
    if (!Spell({{&row.first, &module}, {&row.second, &archive}})) continue;
    memset(&setupState, 0, sizeof setupState);
    FakeOutside fake;
    fake.modulePath = module;
    fake.Answer(IDOK);  // no payload there: "Cannot find qbar47.dat ..."
    EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
    EXPECT_EQ(archive, setupState.payloadArchivePath) << module;
    memset(&setupState, 0, sizeof setupState);
  }
}

// The tray program is looked for beside the removing setup program, and only
// that program's entry, in any letter case, is taken out of UserInit.
TEST_F(PathScanTest, TrayLoaderEntryIsBesideTheSetupProgram) {
  const char kWinlogon[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  const char kStandard[] = "C:\\WINDOWS\\system32\\userinit.exe,";
  struct Row {
    std::wstring module, tray;
    bool removed;
  };
  const Row rows[] = {
      {L"C:\\Missing\\unwise.exe", L"C:\\Missing\\qbartray.exe", true},
      {L"C:\\Missing\\unwise.exe", L"c:\\MISSING\\QBARTRAY.EXE", true},
      {L"C:\\Missing\\表\\unwise.exe", L"C:\\Missing\\表\\qbartray.exe", true},
      {L"C:\\Missing\\ソフト表.exe", L"C:\\Missing\\qbartray.exe", true},
      // ア and ヂ differ only in a second byte that is a letter (0x41, 0x61).
      {L"C:\\Missing\\ア\\unwise.exe", L"C:\\Missing\\ヂ\\qbartray.exe", false},
  };
  for (const Row& row : rows) {
    std::string module, tray;
    if (!Spell({{&row.module, &module}, {&row.tray, &tray}})) continue;
    RegistrySandbox registry;
    FakeOutside fake;
    fake.windowsFolder = "C:\\WINDOWS";
    fake.modulePath = module;  // no such file: its long form is the one registered
    std::string userInit = kStandard + tray + ",";
    SetRegText(HKEY_LOCAL_MACHINE, kWinlogon, "UserInit", userInit);
    RemoveTrayLoader();
    EXPECT_EQ(row.removed ? kStandard : userInit,
              ReadRegText(HKEY_LOCAL_MACHINE, kWinlogon, "UserInit"))
        << module;
  }
}

}  // namespace

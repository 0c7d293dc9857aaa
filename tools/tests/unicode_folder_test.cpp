// The self-extractor with a folder that code page 932 cannot spell, the
// test and the extractor started under that code page (CTest sets
// LANG=ja_JP.UTF-8), so the folder goes in as UTF-16. Unpacking into such
// folders, and into ones split by a trail byte 0x5C, is tested end to end
// (the locale scenarios); here the refusal must name the folder in full and
// take away the folders it made.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_folder.h"
#include "tools/tests/extractor_process.h"
#include "tools/tests/sfx_test_files.h"

namespace {

TEST(UnicodeFolderTest, ARefusalNamesTheFolderInFullAndLeavesNoFolderOfIt) {
  ASSERT_EQ(932u, GetACP()) << "CTest runs this with LANG=ja_JP.UTF-8";
  ScratchFolder scratch;
  // Greek with accents: code page 932 has no spelling of it.
  const std::wstring top = Wide(scratch.path()) + L"\\Πρόγραμμα表";
  const std::wstring folder = top + L"\\Quillbar";
  ExtractorProcess extractor;
  ASSERT_TRUE(extractor.Start("crc.exe", scratch.path()));
  extractor.Unzip(folder);
  HWND error = WaitForTitle(kExtractorErrorTitle, 30000);
  ASSERT_NE(nullptr, error) << "no error box";
  wchar_t text[1024] = L"garbage";
  GetDlgItemTextW(error, 0xFFFF, text, 1024);  // a message box's text
  EXPECT_EQ(0u, std::wstring(text).find(L"Nothing was changed in " + folder + L": "))
      << Narrow(text);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(top.c_str()));
  SendMessageA(error, WM_COMMAND, IDOK, 0);
}

}  // namespace

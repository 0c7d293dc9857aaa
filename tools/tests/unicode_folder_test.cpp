// The self-extractor under code page 932 (CTest sets LANG=ja_JP.UTF-8),
// where 表 is the bytes 0x95 0x5C and 0x5C is a backslash: a folder the
// installer sends as ANSI text must not be cut at that byte, and one the code
// page cannot spell goes in as UTF-16 and is named in full. Both programs run
// in UTF-8 where Windows allows it (the locale scenarios); this is the
// Windows that ignores that.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"
#include "tools/tests/extractor_process.h"
#include "tools/tests/sfx_test_files.h"

namespace {

TEST(UnicodeFolderTest, AnAnsiFolderEndingInATrailByte0x5CTakesEveryFile) {
  ASSERT_EQ(932u, GetACP()) << "CTest runs this with LANG=ja_JP.UTF-8";
  ScratchFolder scratch;
  const std::string folder = scratch / "Tools\\\x95\x5C";  // Tools\表
  ExtractorProcess extractor;
  ASSERT_TRUE(extractor.Start("good.exe", scratch.path()));
  extractor.Unzip(Wide(folder));
  HWND done = WaitForTitle(kExtractorDoneTitle, 30000);
  ASSERT_NE(nullptr, done) << "no completion box";
  std::vector<std::string> expected;
  for (const char* const* name = ProductNames(); *name; ++name) {
    expected.push_back(*name);
    EXPECT_TRUE(ReadFile(TestArchive(std::string("product\\") + *name)) ==
                ReadFile(folder + "\\" + *name))
        << *name << " differs or is missing";
  }
  EXPECT_EQ(expected, ListFolder(folder));
  // Nothing beside it under a name cut at the 0x5C byte.
  EXPECT_EQ(std::vector<std::string>{"\x95\x5C"}, ListFolder(scratch / "Tools"));
  SendMessageA(done, WM_COMMAND, IDCANCEL, 0);
}

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

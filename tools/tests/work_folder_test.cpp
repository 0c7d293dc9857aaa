// The work folder's name belongs to the extractor alone, in a folder that
// other users may be able to write to: what stands under it is never
// followed, and nothing the extractor did not make there keeps it from
// unpacking.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"
#include "tools/tests/extractor_process.h"
#include "tools/tests/sfx_test_files.h"
#include "tools/tests/unpack_fixture.h"

namespace {

// Made by CTest's work-folder-link fixture from the Linux side, as Wine
// makes no symbolic link itself: install\qbar-work~00 links to other\, and
// Wine follows it as Windows follows a junction.
std::string LinkFixture() {
  return TestFolder() + "\\work-folder-link";
}

TEST(WorkFolderLink, IsRefusedAndTheFolderItPointsAtKeepsEveryFile) {
  std::string install = LinkFixture() + "\\install", other = LinkFixture() + "\\other";
  DWORD attributes = GetFileAttributesA(WorkFolder(install).c_str());
  ASSERT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      << "no link at " << WorkFolder(install) << ": CTest's fixture makes it";
  // Named like the extractor's own files, sorted as ListFolder lists them.
  const std::vector<std::string> names = {"gone-1", "journal",   "keep.txt", "n0",
                                          "n1",     "notes.txt", "o0"};
  for (const std::string& name : names) WriteFile(other + "\\" + name, "another program's " + name);

  ExtractorProcess extractor;
  ASSERT_TRUE(extractor.Start("good.exe", LinkFixture()));
  extractor.Unzip(Wide(install));
  HWND error = WaitForTitle(kExtractorErrorTitle, 30000);
  ASSERT_NE(nullptr, error) << "no error box";
  char text[1024] = "";
  GetDlgItemTextA(error, 0xFFFF, text, sizeof text);  // a message box's text
  EXPECT_EQ("Nothing was changed in " + install +
                ": qbar-work~00 in it is not a folder this program made. Remove it, then unzip "
                "again.",
            std::string(text));
  SendMessageA(error, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(names, ListFolder(other)) << "nothing deleted or added there";
  for (const std::string& name : names) {
    EXPECT_EQ("another program's " + name, ReadFile(other + "\\" + name)) << name;
  }
  EXPECT_EQ(std::vector<std::string>{"qbar-work~00"}, ListFolder(install)) << "nothing unpacked";
}

TEST_F(UnpackTest, AStrayFileInTheWorkFolderGoesWithItAndTheUnpackCompletes) {
  std::string stray = WorkFolder(scratch.path()) + "\\desktop.ini";
  MakeFolder(WorkFolder(scratch.path()));
  WriteFile(stray, "[.ShellClassInfo]\r\n");
  SetFileAttributesA(stray.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(Unpack("good.exe", scratch.path())) << outcome.result;
  ExpectProductIn(scratch.path());
}

TEST_F(UnpackTest, AZeroFilledEndOfPlacingIsUndoneAndTheUnpackCompletes) {
  // Cut between the write of "placed" and its flush: the line reads as zeros.
  std::string work = WorkFolder(scratch.path());
  WriteFile(scratch / "readme.txt", "new, placed by the cut-off run");
  MakeFolder(work);
  WriteFile(work + "\\journal",
            std::string("quillbar unpack journal 1\naside 0 readme.txt\nplanned\n") +
                std::string(7, '\0'));
  WriteFile(work + "\\o0", "the user's earlier read-me");
  ASSERT_TRUE(Unpack("good.exe", scratch.path())) << outcome.result;
  EXPECT_TRUE(outcome.healed) << "the earlier read-me was put back first";
  ExpectProductIn(scratch.path());
}

}  // namespace

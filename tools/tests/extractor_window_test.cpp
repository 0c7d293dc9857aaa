// The self-extractor as the installer drives it: started as "qbar!ins.exe",
// found by its titles, given a folder in control 106 and a posted IDOK. These
// tests wait on a real second process, so they poll with real time.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"
#include "tools/sfx/sfx_ids.h"
#include "tools/tests/extractor_process.h"
#include "tools/tests/held_file.h"
#include "tools/tests/sfx_test_files.h"

namespace {

class ExtractorWindowTest : public ::testing::Test {
 protected:
  void Start(const std::string& archive) {
    ASSERT_TRUE(extractor.Start(archive, scratch.path())) << "no window titled " << kExtractorTitle;
    main = extractor.main();
  }
  void Unzip(const std::string& folder) { extractor.Unzip(Wide(folder)); }
  void CloseAndExpectExit() {
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, extractor.WaitForExit(20000));
  }
  ScratchFolder scratch;
  ExtractorProcess extractor;
  HWND main = nullptr;
};

TEST_F(ExtractorWindowTest, UnpacksThroughItsWindowAndEndsAsTheInstallerDrivesIt) {
  std::string folder = scratch / "Quillbar";
  Start("good.exe");
  Unzip(folder);
  HWND done = WaitForTitle(kExtractorDoneTitle, 30000);
  ASSERT_NE(nullptr, done) << "no completion box";
  EXPECT_NE(done, main);
  for (const char* const* name = ProductNames(); *name; ++name) {
    EXPECT_EQ(ReadFile(TestArchive(std::string("product\\") + *name)),
              ReadFile(folder + "\\" + *name))
        << *name << " is in place when the completion box shows";
  }
  EnableWindow(done, FALSE);
  SendMessageA(done, WM_COMMAND, IDCANCEL, 0);
  DWORD start = GetTickCount();
  while (IsWindow(done) && GetTickCount() - start < 5000) Sleep(20);
  EXPECT_FALSE(IsWindow(done)) << "IDCANCEL dismisses the disabled box";
  EXPECT_TRUE(IsWindow(main));
  CloseAndExpectExit();
}

std::string StatusOf(HWND main) {
  char text[512] = "garbage";
  GetDlgItemTextA(main, IDC_SFX_STATUS, text, sizeof text);
  return text;
}

// A damaged archive and one with a refused entry: the extractor's own error
// box, no file written, partial or whole, and never the completion box. Once
// the user has closed the error box the program ends, which tells the
// installer that started it.
TEST_F(ExtractorWindowTest, ARefusedArchiveShowsItsOwnErrorAndNeverTheCompletionBox) {
  const struct {
    const char* what;
    const char* archive;
  } rows[] = {{"a damaged file", "crc.exe"}, {"an entry leaving the folder", "refused.exe"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::string from = scratch / row.archive, folder = from + "\\Quillbar";
    MakeFolder(from);
    ExtractorProcess process;
    ASSERT_TRUE(process.Start(row.archive, from));
    process.Unzip(Wide(folder));
    HWND error = WaitForTitle(kExtractorErrorTitle, 30000);
    ASSERT_NE(nullptr, error) << "no error box";
    EXPECT_EQ(nullptr, FindWindowA(nullptr, kExtractorDoneTitle));
    EXPECT_FALSE(PathExists(folder));
    EXPECT_FALSE(PathExists(from + "\\evil.txt"));
    char text[1024] = "garbage";
    GetDlgItemTextA(error, 0xFFFF, text, sizeof text);  // a message box's text
    EXPECT_EQ(0u, std::string(text).find("Nothing was changed in " + folder + ": ")) << text;
    EXPECT_EQ(std::string::npos, StatusOf(process.main()).find("unzipped"));
    SendMessageA(error, WM_COMMAND, IDOK, 0);
    // Whatever comes after the error box, it is not the completion box.
    EXPECT_EQ(nullptr, WaitForTitle(kExtractorDoneTitle, 1500));
    EXPECT_EQ(0u, process.WaitForExit(10000)) << "ended once its error box was closed";
  }
}

TEST_F(ExtractorWindowTest, AnEmptyFolderFieldAsksForAFolder) {
  Start("good.exe");
  Unzip("");
  HWND error = WaitForTitle(kExtractorErrorTitle, 20000);
  ASSERT_NE(nullptr, error);
  SendMessageA(error, WM_COMMAND, IDOK, 0);
  // The person can then type a folder and press the button again.
  std::string folder = scratch / "typed";
  Unzip(folder);
  HWND done = WaitForTitle(kExtractorDoneTitle, 30000);
  ASSERT_NE(nullptr, done);
  EXPECT_TRUE(PathExists(folder + "\\readme.txt"));
  SendMessageA(done, WM_COMMAND, IDCANCEL, 0);
  CloseAndExpectExit();
}

// A virus scanner, an indexer or a backup agent holds an earlier file of the
// installation: for a moment, and the unpack waits and says for which file;
// or longer than the wait, and everything is put back as after any failure.
TEST_F(ExtractorWindowTest, AnEarlierFileHeldForAMomentIsWaitedForAndOneHeldLongerIsPutBack) {
  const struct {
    const char* what;
    DWORD holdMs;
  } rows[] = {{"held for 1.5 s", 1500}, {"held until the unpack has failed", INFINITE}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::string folder = scratch / (row.holdMs == INFINITE ? "held" : "moment");
    MakeFolder(folder);
    for (const char* const* name = ProductNames(); *name; ++name) {
      WriteFile(folder + "\\" + *name, std::string("earlier ") + *name);
    }
    ExtractorProcess process;
    ASSERT_TRUE(process.Start("good.exe", scratch.path()));
    bool sawWaiting = false;
    HWND done = nullptr, error = nullptr;
    {
      HeldByAnotherProcess holder(folder + "\\readme.txt", TestFolder() + "\\file_holder.exe",
                                  row.holdMs);
      ASSERT_TRUE(holder.held());
      process.Unzip(Wide(folder));
      for (DWORD start = GetTickCount(); !done && !error && GetTickCount() - start < 30000;
           Sleep(20)) {
        sawWaiting =
            sawWaiting || StatusOf(process.main()) ==
                              "Waiting for readme.txt, which another program is reading...";
        done = FindWindowA(nullptr, kExtractorDoneTitle);
        error = FindWindowA(nullptr, kExtractorErrorTitle);
      }
    }
    EXPECT_TRUE(sawWaiting) << "the status line names the file waited for";
    for (const char* const* name = ProductNames(); *name; ++name) {
      std::string expected = done ? ReadFile(TestArchive(std::string("product\\") + *name))
                                  : std::string("earlier ") + *name;
      EXPECT_EQ(expected, ReadFile(folder + "\\" + *name)) << *name;
    }
    EXPECT_EQ(ProductList(), ListFolder(folder)) << "no work folder stays";
    if (row.holdMs != INFINITE) {
      ASSERT_NE(nullptr, done) << "the unpack completes once the file is free";
      SendMessageA(done, WM_COMMAND, IDCANCEL, 0);
    } else {
      ASSERT_NE(nullptr, error) << "the unpack fails when the hold outlasts the wait";
      char text[1024] = "garbage";
      GetDlgItemTextA(error, 0xFFFF, text, sizeof text);
      EXPECT_NE(std::string::npos, std::string(text).find("File: readme.txt")) << text;
      SendMessageA(error, WM_COMMAND, IDOK, 0);
    }
  }
}

INT_PTR CALLBACK NoHandling(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

// The installer polls for both titles whole; the main window must answer to
// neither before its own code retitles it, or the installer could take the
// freshly made window for the completion box.
TEST_F(ExtractorWindowTest, TheMainTemplateCarriesNeitherTitleTheInstallerPollsFor) {
  HMODULE stub = LoadLibraryExA(TestArchive("good.exe").c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(nullptr, stub);
  HRSRC found = FindResourceA(stub, MAKEINTRESOURCEA(IDD_SFX_MAIN), RT_DIALOG);
  ASSERT_NE(nullptr, found);
  auto templ = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(stub, found)));
  ASSERT_NE(nullptr, templ);
  // Made hidden from the template alone, as the extractor makes it before
  // giving it its title.
  HWND window =
      CreateDialogIndirectParamA(GetModuleHandleA(nullptr), templ, nullptr, NoHandling, 0);
  ASSERT_NE(nullptr, window);
  char caption[64] = "garbage";
  GetWindowTextA(window, caption, sizeof caption);
  EXPECT_STRNE(kExtractorDoneTitle, caption);
  EXPECT_STRNE(kExtractorTitle, caption);
  EXPECT_EQ(nullptr, FindWindowA(nullptr, kExtractorDoneTitle));
  EXPECT_EQ(nullptr, FindWindowA(nullptr, kExtractorTitle));
  DestroyWindow(window);
  FreeLibrary(stub);
}

}  // namespace

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "setup/setup_state.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/stand_in_window.h"
#include "tests/support/wizard_harness.h"
#include "wizard/folder_page.h"

namespace {

// What the "user" does once the folder picker is up, run from a timer inside
// the picker's own modal loop, tick after tick until it says it is done.
std::function<bool(HWND picker)> pickerAction;
bool pickerShowsTitle = false;
bool pickerHasEditBox = false;

// The picker, not the wizard's sheet: a dialog with a folder tree.
BOOL CALLBACK TakeIfPicker(HWND window, LPARAM found) {
  char className[64] = "";
  GetClassNameA(window, className, sizeof className);
  if (IsWindowVisible(window) && std::string(className) == "#32770" &&
      FindWindowExA(window, NULL, "SysTreeView32", NULL)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindPicker() {
  HWND found = NULL;
  EnumThreadWindows(GetCurrentThreadId(), TakeIfPicker, reinterpret_cast<LPARAM>(&found));
  return found;
}

void CALLBACK ActOnPicker(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND picker = FindPicker();
  if (!picker) return;
  pickerShowsTitle = FindWindowExA(picker, NULL, "Static", "Select folder") != NULL;
  pickerHasEditBox = FindWindowExA(picker, NULL, "Edit", NULL) != NULL;
  if (pickerAction(picker)) KillTimer(NULL, timer);
}

// Selects the folder and, once the picker shows it as selected (its edit box
// holds the folder's name), presses OK.
void Choose(const std::string& folder) {
  std::string name = folder.substr(folder.rfind('\\') + 1);
  pickerAction = [folder, name](HWND picker) {
    char shown[MAX_PATH] = "";
    GetWindowTextA(FindWindowExA(picker, NULL, "Edit", NULL), shown, MAX_PATH);
    if (name != shown) {
      SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
      return false;
    }
    PostMessageA(picker, WM_COMMAND, IDOK, 0);
    return true;
  };
  SetTimer(NULL, 0, 50, ActOnPicker);
}

void Cancel() {
  pickerAction = [](HWND picker) {
    PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
    return true;
  };
  SetTimer(NULL, 0, 50, ActOnPicker);
}

class BrowseForFolderTest : public ::testing::Test {
 protected:
  BrowseForFolderTest() {
    CoInitialize(NULL);  // as the setup program's COM start leaves the thread
    setupState = SetupState{};
  }
  ~BrowseForFolderTest() override { CoUninitialize(); }
  ScratchFolder scratch;
};

TEST_F(BrowseForFolderTest, AChoiceGivesTheFullPath) {
  MakeFolder(scratch / "Chosen Folder");
  char buffer[MAX_PATH];
  memset(buffer, 'g', sizeof buffer);
  Choose(scratch / "Chosen Folder");
  EXPECT_TRUE(BrowseForFolder(buffer));
  EXPECT_EQ(scratch / "Chosen Folder", buffer);
  EXPECT_TRUE(pickerHasEditBox);
  EXPECT_TRUE(pickerShowsTitle);
}

TEST_F(BrowseForFolderTest, CancelGivesFalseAndAnEmptyBuffer) {
  char buffer[MAX_PATH];
  memset(buffer, 'g', sizeof buffer);
  Cancel();
  EXPECT_FALSE(BrowseForFolder(buffer));
  EXPECT_STREQ("", buffer);
}

TEST_F(BrowseForFolderTest, CancellingFromThePageLeavesTheInstallFolderBoxAlone) {
  lstrcpyA(setupState.installFolder, "D:\\Kept");
  ModelessWizard wizard(1);
  Cancel();
  SendMessageA(GetDlgItem(wizard.page(), 1002), BM_CLICK, 0, 0);
  char text[MAX_PATH] = "";
  GetDlgItemTextA(wizard.page(), 1001, text, MAX_PATH);
  EXPECT_STREQ("D:\\Kept", text);
}

TEST_F(BrowseForFolderTest, AChoiceFromThePageReplacesTheBoxText) {
  MakeFolder(scratch / "Picked");
  ModelessWizard wizard(1);
  HWND page = wizard.page();
  Choose(scratch / "Picked");
  SendMessageA(GetDlgItem(page, 1002), BM_CLICK, 0, 0);
  char text[MAX_PATH] = "";
  GetDlgItemTextA(page, 1001, text, MAX_PATH);
  EXPECT_EQ(scratch / "Picked", text);

  // The configuration folder's button serves its own box.
  SendMessageA(GetDlgItem(page, 1011), BM_CLICK, 0, 0);
  Choose(scratch.path());
  SendMessageA(GetDlgItem(page, 1010), BM_CLICK, 0, 0);
  GetDlgItemTextA(page, 1009, text, MAX_PATH);
  EXPECT_EQ(scratch.path(), text);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1009)));
}

}  // namespace

#include "wizard/shortcuts_page.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "setup/setup_state.h"
#include "tests/support/fake_outside.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/stand_in_window.h"
#include "tests/support/wizard_harness.h"

namespace {

const int kBackButton = 0x3023;
const int kFinishButton = 0x3025;

const int kStartMenu = 1003;
const int kPrograms = 1004;
const int kSubmenu = 1005;
const int kDesktop = 1006;
const int kReadMe = 1007;
const int kStartup = 1008;
const int kBoxes[] = {kStartMenu, kPrograms, kSubmenu, kDesktop, kStartup};

class ShortcutsPageTest : public ::testing::Test {
 protected:
  ShortcutsPageTest() {
    setupState = SetupState{};
    // The install-mode defaults.
    setupState.submenuShortcuts = 1;
    setupState.startupShortcut = 1;
    setupState.desktopShortcuts = 1;
  }
  // The flags in the order of kBoxes.
  std::string Flags() const {
    std::string flags;
    for (BOOL flag :
         {setupState.startMenuShortcuts, setupState.programsShortcuts, setupState.submenuShortcuts,
          setupState.desktopShortcuts, setupState.startupShortcut}) {
      flags += flag == 1 ? '1' : flag == 0 ? '0' : '?';
    }
    return flags;
  }
  FakeOutside fake;
  ScratchFolder scratch;
};

TEST_F(ShortcutsPageTest, FirstEntryShowsTheDefaultsAndMarksTheInstallationCompleted) {
  ModelessWizard wizard(2);
  ASSERT_EQ(104, wizard.pageId());
  HWND page = wizard.page();
  EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page, kStartMenu));
  EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page, kPrograms));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page, kSubmenu));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page, kDesktop));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page, kStartup));
  EXPECT_EQ(1, setupState.installCompleted);
}

TEST_F(ShortcutsPageTest, OnlyFinishAndCancelAreOffered) {
  ModelessWizard wizard(2);
  EXPECT_TRUE(wizard.ButtonEnabled(kFinishButton));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(wizard.sheet(), kFinishButton)));
  EXPECT_FALSE(wizard.ButtonEnabled(kBackButton));
}

TEST_F(ShortcutsPageTest, EachBoxFeedsItsOwnFlag) {
  ModelessWizard wizard(2);
  HWND page = wizard.page();
  const char* expected[] = {"10000", "01000", "00100", "00010", "00001"};
  for (int i = 0; i < 5; ++i) {
    for (int box : kBoxes) CheckDlgButton(page, box, box == kBoxes[i]);
    BOOL handled = FALSE;
    EXPECT_EQ(0, wizard.Notify(ShortcutsPageProc, PSN_WIZFINISH, &handled));
    EXPECT_TRUE(handled);
    EXPECT_EQ(expected[i], Flags()) << "box " << kBoxes[i];
  }
}

TEST_F(ShortcutsPageTest, LeavingThePageSavesTheFlagsToo) {
  ModelessWizard wizard(2);
  CheckDlgButton(wizard.page(), kStartMenu, BST_CHECKED);
  CheckDlgButton(wizard.page(), kStartup, BST_UNCHECKED);
  EXPECT_EQ(0, wizard.Notify(ShortcutsPageProc, PSN_KILLACTIVE));
  EXPECT_EQ("10110", Flags());
}

TEST_F(ShortcutsPageTest, FinishWithEverythingOffLeavesAllFlagsOff) {
  ModelessWizard wizard(2);
  for (int box : kBoxes) CheckDlgButton(wizard.page(), box, BST_UNCHECKED);
  wizard.Press(PSBTN_FINISH);
  EXPECT_EQ("00000", Flags());
  EXPECT_EQ(1, setupState.installCompleted);
}

TEST_F(ShortcutsPageTest, CancelDoesNotSaveTheFlags) {
  ModelessWizard wizard(2);
  for (int box : kBoxes) CheckDlgButton(wizard.page(), box, BST_CHECKED);
  BOOL handled = FALSE;
  EXPECT_EQ(0, wizard.Notify(ShortcutsPageProc, PSN_RESET, &handled));
  EXPECT_TRUE(handled);
  wizard.Press(PSBTN_CANCEL);
  EXPECT_EQ("00111", Flags());
  EXPECT_EQ(1, setupState.installCompleted) << "the files are installed either way";
}

TEST_F(ShortcutsPageTest, BackIsNotHandled) {
  ModelessWizard wizard(2);
  BOOL handled = TRUE;
  const LONG_PTR unset = ModelessWizard::kUnsetResult;  // a copy: the constant has no storage
  EXPECT_EQ(unset, wizard.Notify(ShortcutsPageProc, PSN_WIZBACK, &handled));
  EXPECT_FALSE(handled);
}

// The system's own Notepad and the blank after it, as the viewer's command
// line begins: never a bare name that the setup or current folder could answer.
std::string SystemNotepadThenBlank() {
  char folder[MAX_PATH] = "garbage";
  UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  EXPECT_TRUE(length && length < MAX_PATH);
  std::string notepad = std::string(folder) + "\\notepad.exe";
  if (notepad.find(' ') != std::string::npos) notepad = '"' + notepad + '"';
  return notepad + " ";
}

TEST_F(ShortcutsPageTest, ReadMeIsOpenedByItsShortPath) {
  std::string folder = scratch / "Program Files\\Quillbar";
  MakeFolder(scratch / "Program Files");
  MakeFolder(folder);
  WriteFile(folder + "\\readme.txt", "read me");
  lstrcpyA(setupState.installFolder, folder.c_str());
  char shortPath[MAX_PATH] = "";
  ASSERT_NE(0u, GetShortPathNameA((folder + "\\readme.txt").c_str(), shortPath, MAX_PATH));
  ModelessWizard wizard(2);
  EXPECT_FALSE(ShortcutsPageProc(wizard.page(), WM_COMMAND, MAKEWPARAM(kReadMe, BN_CLICKED), 0));
  ASSERT_EQ(1u, fake.launches.size());
  EXPECT_EQ(SystemNotepadThenBlank() + shortPath, fake.launches[0]);
  EXPECT_EQ(std::string::npos, fake.launches[0].find("Program Files"));
}

TEST_F(ShortcutsPageTest, AMissingReadMeIsNamedByItsLongPath) {
  lstrcpyA(setupState.installFolder, (scratch / "Program Files\\Quillbar").c_str());
  ModelessWizard wizard(2);
  SendMessageA(GetDlgItem(wizard.page(), kReadMe), BM_CLICK, 0, 0);
  SendMessageA(GetDlgItem(wizard.page(), kReadMe), BM_CLICK, 0, 0);
  ASSERT_EQ(2u, fake.launches.size()) << "every press starts a viewer";
  EXPECT_EQ(SystemNotepadThenBlank() + (scratch / "Program Files\\Quillbar\\readme.txt"),
            fake.launches[0]);
  EXPECT_TRUE(fake.boxes.empty());
}

}  // namespace

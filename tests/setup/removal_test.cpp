#include "setup/removal.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/com.h"
#include "setup/setup_state.h"
#include "tests/support/fake_outside.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/stand_in_window.h"
#include "tests/support/registry_paths.h"

namespace {

using registry_paths::kProductKey;
using registry_paths::kShellFolders;
using registry_paths::kUninstallKey;

using Names = std::vector<std::string>;

const char kRunServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
const char kConfirm[] = "Remove Quillbar?";
const char kFinalMessage[] =
    "Quillbar information removed.\rPlease use explorer to remove quillbar file folder.";

class RemovalTest : public ::testing::Test {
 protected:
  RemovalTest() {
    setupState = SetupState{};
    ComStartStop(1);  // before the sandbox hides the shell-link class
  }
  ~RemovalTest() override {
    if (setupState.shellLink) ComStartStop(0);
  }

  // What an installation with every shortcut place on leaves behind.
  void ArrangeInstalled() {
    menu = scratch / "Start Menu";
    programs = scratch / "Programs";
    submenu = programs + "\\Quillbar";
    startup = scratch / "Startup";
    desktop = scratch / "Desktop";
    install = scratch / "Quillbar";
    for (const std::string& folder : {menu, programs, submenu, startup, desktop, install}) {
      MakeFolder(folder);
    }
    SetRegText(HKEY_CURRENT_USER, kShellFolders, "Start Menu", menu);
    SetRegText(HKEY_CURRENT_USER, kShellFolders, "Programs", programs);
    SetRegText(HKEY_CURRENT_USER, kShellFolders, "Startup", startup);
    SetRegText(HKEY_CURRENT_USER, kShellFolders, "Desktop", desktop);
    for (const std::string& folder : {menu, programs, desktop}) {
      WriteFile(folder + "\\Quillbar.lnk", "link");
      WriteFile(folder + "\\QBarConf.lnk", "link");
    }
    for (const char* name :
         {"Quillbar.lnk", "Configure.lnk", "QBarHelp.lnk", "HTML Help.lnk", "Tutorial.lnk"}) {
      WriteFile(submenu + "\\" + name, "link");
    }
    WriteFile(startup + "\\Quillbar.lnk", "link");
    WriteFile(desktop + "\\Holiday.lnk", "the user's own");
    WriteFile(install + "\\Quillbar.exe", "program");

    SetRegText(HKEY_LOCAL_MACHINE, kProductKey, "Folder", install);
    SetRegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Quillbar 4.7 (remove only)");
    SetRegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString",
               "C:\\QUILLB~1\\unwise.exe ***");
    SetRegText(HKEY_LOCAL_MACHINE, kRunServices, "QBarTray", "qbartray.exe");
    SetRegText(HKEY_LOCAL_MACHINE, kRunServices, "Other", "other.exe");
    SetRegText(HKEY_CLASSES_ROOT, ".Quillbar", "", "Quillbar.Script");
    SetRegText(HKEY_CLASSES_ROOT, "Quillbar.Script\\shell\\open\\command", "", "x *Script %1");
  }

  ScratchFolder scratch;
  RegistrySandbox registry;
  FakeOutside fake;
  std::string menu, programs, submenu, startup, desktop, install;
};

TEST_F(RemovalTest, CancelChangesNothing) {
  ArrangeInstalled();
  StandInWindow tray("QuillbarTray", 117);
  fake.Answer(IDCANCEL);
  RunRemoval();
  PumpMessages();
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(kConfirm, fake.boxes[0].text);
  EXPECT_EQ("Quillbar Setup", fake.boxes[0].caption);
  EXPECT_EQ(UINT(MB_OKCANCEL | MB_TOPMOST), fake.boxes[0].style);
  EXPECT_TRUE(tray.received.empty());
  EXPECT_EQ(5u, ListFolder(submenu).size());
  EXPECT_EQ(3u, ListFolder(desktop).size());
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kRunServices, "QBarTray"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ".Quillbar"));
  EXPECT_TRUE(setupState.shellLink == nullptr) << "COM is stopped on every path";
}

TEST_F(RemovalTest, ClosingTheConfirmationCountsAsCancel) {
  ArrangeInstalled();
  fake.Answer(0);
  RunRemoval();
  EXPECT_EQ(1u, fake.boxes.size());
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(RemovalTest, ConfirmedRemovalUndoesTheInstallationAndKeepsTheFiles) {
  ArrangeInstalled();
  StandInWindow tray("QuillbarTray", 117);
  fake.Answer(IDOK);
  fake.Answer(IDOK);
  RunRemoval();
  EXPECT_TRUE(tray.received.empty()) << "the tray is told by a posted message, not a sent one";
  PumpMessages();
  ASSERT_EQ(1u, tray.received.size());
  EXPECT_EQ(UINT(WM_CLOSE), tray.received[0].message);
  EXPECT_EQ(WPARAM(1234), tray.received[0].wParam);
  EXPECT_EQ(0, tray.received[0].lParam);

  EXPECT_EQ(Names{}, ListFolder(menu));
  EXPECT_EQ(Names{}, ListFolder(programs)) << "the emptied submenu folder goes";
  EXPECT_EQ(Names{}, ListFolder(startup));
  EXPECT_EQ(Names{"Holiday.lnk"}, ListFolder(desktop));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRunServices, "QBarTray"));
  EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kRunServices, "Other"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".Quillbar"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Quillbar.Script"));

  EXPECT_EQ(install, ReadRegText(HKEY_LOCAL_MACHINE, kProductKey, "Folder"))
      << "the next installation reads the folder again";
  EXPECT_TRUE(PathExists(install + "\\Quillbar.exe"));

  ASSERT_EQ(2u, fake.boxes.size());
  EXPECT_EQ(kFinalMessage, fake.boxes[1].text);
  EXPECT_EQ("Quillbar Setup", fake.boxes[1].caption);
  EXPECT_EQ(UINT(MB_OK | MB_TOPMOST), fake.boxes[1].style);
  EXPECT_TRUE(setupState.shellLink == nullptr);
}

TEST_F(RemovalTest, NothingInstalledStillShowsTheFinalMessage) {
  fake.Answer(IDOK);
  fake.Answer(IDOK);
  RunRemoval();
  ASSERT_EQ(2u, fake.boxes.size());
  EXPECT_EQ(kFinalMessage, fake.boxes[1].text);
}

TEST_F(RemovalTest, AFileOfTheUsersKeepsTheSubmenuFolder) {
  ArrangeInstalled();
  WriteFile(submenu + "\\My Notes.txt", "notes");
  fake.Answer(IDOK);
  fake.Answer(IDOK);
  RunRemoval();
  EXPECT_EQ(Names{"My Notes.txt"}, ListFolder(submenu));
}

}  // namespace

#include "setup/run_setup.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "setup/setup_state.h"
#include "tests/support/fake_outside.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/stand_in_window.h"

namespace {

const char kKey[] = "SOFTWARE\\TarragonProducts\\Tarragon";

class RunSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setupState = SetupState{};
    SetRegText(HKEY_LOCAL_MACHINE, kKey, "Folder", "D:\\Remembered");
  }
  RegistrySandbox registry;
  FakeOutside fake;
};

TEST_F(RunSetupTest, DecliningToShutQuillbarDownEndsBeforeRegistryAndCom) {
  StandInWindow product("QuillbarMain");
  fake.Answer(IDCANCEL);
  EXPECT_EQ(0, RunSetup(GetModuleHandleA(NULL), "setup.exe"));
  EXPECT_EQ(1u, fake.boxes.size());
  EXPECT_STREQ("", setupState.installFolder) << "the remembered folder was read";
  EXPECT_FALSE(setupState.desktopShortcuts);
}

TEST_F(RunSetupTest, OldTrayEndsBeforeRegistryAndCom) {
  StandInWindow tray("QuillbarTray", 0);
  fake.Answer(IDOK);
  EXPECT_EQ(0, RunSetup(GetModuleHandleA(NULL), "setup.exe"));
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ("Error", fake.boxes[0].caption);
  EXPECT_STREQ("", setupState.installFolder);
}

// Cancels the wizard as soon as it shows, from inside its modal loop.
void CALLBACK CancelWizard(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND sheet = GetActiveWindow();
  if (!sheet) return;
  KillTimer(NULL, timer);
  PropSheet_PressButton(sheet, PSBTN_CANCEL);
}

TEST_F(RunSetupTest, InstallModeSetsTheDefaultsAndRunsTheWizard) {
  memset(setupState.configFolder, 'g', 10);
  SetTimer(NULL, 0, 50, CancelWizard);
  EXPECT_EQ(0, RunSetup(GetModuleHandleA(NULL), "\"C:\\Temp\\SETUP.EXE\" /anything"));
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_STREQ("D:\\Remembered", setupState.installFolder);
  EXPECT_STREQ("", setupState.configFolder);
  EXPECT_EQ(GetModuleHandleA(NULL), setupState.instanceHandle);
  EXPECT_FALSE(setupState.startMenuShortcuts);
  EXPECT_FALSE(setupState.programsShortcuts);
  EXPECT_TRUE(setupState.submenuShortcuts);
  EXPECT_TRUE(setupState.startupShortcut);
  EXPECT_TRUE(setupState.desktopShortcuts);
  EXPECT_FALSE(setupState.installCompleted) << "cancelled on the licence page";
  EXPECT_TRUE(setupState.shellLink == nullptr) << "COM is stopped at the end";
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WinQuillbar",
                           "UninstallString"));
}

TEST_F(RunSetupTest, UnwiseInTheCommandLineRunsTheRemovalInsteadOfTheWizard) {
  fake.Answer(IDCANCEL);
  EXPECT_EQ(0, RunSetup(GetModuleHandleA(NULL), "C:\\PROGRA~1\\QUILLBAR\\UNWISE.EXE ***"));
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ("Remove Quillbar?", fake.boxes[0].text);
  EXPECT_STREQ("D:\\Remembered", setupState.installFolder) << "loaded in both modes";
  EXPECT_FALSE(setupState.desktopShortcuts) << "install defaults are for install mode only";
  EXPECT_TRUE(setupState.shellLink == nullptr) << "COM is stopped at the end";
}

}  // namespace

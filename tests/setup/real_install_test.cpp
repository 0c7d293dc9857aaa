// One whole installation in this process, as a person makes it: the folder
// page's Next unpacks the real payload with the real self-extractor, Finish
// on the shortcuts page, then the finishing steps; and the removal after it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/com.h"
#include "setup/finish.h"
#include "setup/removal.h"
#include "setup/setup_state.h"
#include "tests/support/fake_outside.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/pinned_payload.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/wizard_harness.h"
#include "tests/support/registry_paths.h"

namespace {

using registry_paths::kShellFolders;
using registry_paths::kUninstallKey;

using Names = std::vector<std::string>;

std::string BuiltPayload() {
  return TestProgramFolder() + "\\" + QB_PAYLOAD_FROM_TESTS;
}

class RealInstallTest : public ::testing::Test {
 protected:
  RealInstallTest() {
    setupState = SetupState{};
    ComStartStop(1);  // before the sandbox hides the shell-link class
  }
  ~RealInstallTest() override {
    ClearPayloadPin();
    if (setupState.shellLink) ComStartStop(0);
  }

  void SetUp() override {
    if (!PathExists(BuiltPayload())) GTEST_SKIP() << "the payload is not built: " << BuiltPayload();
    // The digest the build stamped into setup.exe for this payload.
    PinAsStampedIn(TestProgramFolder() + "\\" + QB_SETUP_FROM_TESTS);
    MakeFolder(scratch / "setup");
    ASSERT_TRUE(CopyFileA(BuiltPayload().c_str(), (scratch / "setup\\qbar47.dat").c_str(), FALSE));
    fake.modulePath = scratch / "setup\\setup.exe";
    fake.UseRealLaunch();
    // The extractor is a real process with real timing: each of the
    // program's waits is waited for real.
    fake.onSleep = [this](DWORD) { Sleep(fake.sleeps.back()); };

    programs = scratch / "Programs";
    startup = scratch / "Startup";
    desktop = scratch / "Desktop";
    for (const std::string& folder : {programs, startup, desktop}) MakeFolder(folder);
    SetRegText(HKEY_CURRENT_USER, kShellFolders, "Programs", programs);
    SetRegText(HKEY_CURRENT_USER, kShellFolders, "Startup", startup);
    SetRegText(HKEY_CURRENT_USER, kShellFolders, "Desktop", desktop);

    install = scratch / "Program Files\\Quillbar";
    lstrcpyA(setupState.installFolder, install.c_str());
    setupState.instanceHandle = GetModuleHandleA(NULL);
    setupState.submenuShortcuts = 1;
    setupState.startupShortcut = 1;
    setupState.desktopShortcuts = 1;
  }

  ScratchFolder scratch;
  RegistrySandbox registry;
  FakeOutside fake;
  std::string programs, startup, desktop, install;
};

TEST_F(RealInstallTest, InstallsTheSampleProductAndRemovesItsRegistrationsAgain) {
  INT_PTR sheetResult = 0;
  {
    ModelessWizard wizard(1);
    ASSERT_EQ(103, wizard.pageId());
    fake.Answer(IDYES);  // make the missing install folder
    wizard.Press(PSBTN_NEXT);
    ASSERT_EQ(104, wizard.pageId()) << "boxes: " << fake.boxes.size();
    EXPECT_TRUE(IsWindowVisible(wizard.sheet()));
    wizard.Press(PSBTN_FINISH);
    // A modeless sheet reports its end as the modal one's result.
    sheetResult = PropSheet_GetResult(wizard.sheet());
  }
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(1, setupState.installCompleted);
  EXPECT_TRUE(PathExists(install + "\\Quillbar.exe"));
  EXPECT_TRUE(PathExists(install + "\\QBar.Dll")) << "the new main module is in place";
  EXPECT_TRUE(PathExists(install + "\\plugins\\QBarClock.dll"));

  fake.Answer(IDNO);  // do not start Quillbar
  EXPECT_NE(0, sheetResult);
  FinishInstallation(sheetResult);
  EXPECT_EQ(
      Names({"Configure.lnk", "HTML Help.lnk", "QBarHelp.lnk", "Quillbar.lnk", "Tutorial.lnk"}),
      ListFolder(programs + "\\Quillbar"));
  EXPECT_EQ(Names({"QBarConf.lnk", "Quillbar.lnk"}), ListFolder(desktop));
  EXPECT_EQ(Names({"Quillbar.lnk"}), ListFolder(startup));
  std::string command = ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  CharLowerA(&command[0]);
  EXPECT_EQ(" unwise.exe ***", command.substr(command.rfind('\\')).replace(0, 1, " "));
  EXPECT_FALSE(PathExists(scratch / "setup\\qbar!ins.exe")) << "the extractor copy stays";

  // The removal, as the uninstall entry starts it.
  setupState = SetupState{};
  ComStartStop(1);
  fake.Answer(IDOK);
  fake.Answer(IDOK);
  RunRemoval();
  EXPECT_EQ(Names{}, ListFolder(programs));
  EXPECT_EQ(Names{}, ListFolder(desktop));
  EXPECT_EQ(Names{}, ListFolder(startup));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(PathExists(install + "\\Quillbar.exe")) << "program files are the user's to delete";
}

}  // namespace

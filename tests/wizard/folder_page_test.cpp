#include "wizard/folder_page.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/setup_state.h"
#include "tests/support/fake_outside.h"
#include "tests/support/pinned_payload.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/stand_in_window.h"
#include "tests/support/wizard_harness.h"
#include "tests/wizard/stand_in_extractor.h"

namespace {

const int kInstallBox = 1001;
const int kBrowseInstall = 1002;
const int kConfigBox = 1009;
const int kBrowseConfig = 1010;
const int kSeparateConfig = 1011;

const char kCaption[] = "Quillbar Setup";
const char kMainQuestion[] = "Main Folder does not exist.  Create it?";
const char kConfigQuestion[] = "Configuration folder does not exist.  Create it?";
const char kNoArchive[] = "Cannot find qbar47.dat file in setup.exe folder";
const char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

std::string BoxText(HWND page, int id) {
  char text[1024] = "garbage";
  GetDlgItemTextA(page, id, text, sizeof text);
  return text;
}

bool Enabled(HWND page, int id) {
  return IsWindowEnabled(GetDlgItem(page, id)) != FALSE;
}

// As the user clicks: the button sends its WM_COMMAND to the page.
void Click(HWND page, int id) {
  SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0);
  PumpMessages();
}

// Takes a WM_QUIT posted to this thread, if there is one.
bool TakeQuit() {
  MSG message;
  return PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

// A path under folder whose length is exactly length.
std::string PathOfLength(const std::string& folder, size_t length) {
  return folder + "\\" + std::string(length - folder.size() - 1, 'q');
}

class FolderPageTest : public ::testing::Test {
 protected:
  FolderPageTest() {
    setupState = SetupState{};
    appData = scratch / "Application Data";
    MakeFolder(appData);
    SetRegText(HKEY_CURRENT_USER, kUserShellFolders, "AppData", appData);
    installFolder = scratch / "Quillbar";
    MakeFolder(installFolder);
    lstrcpyA(setupState.installFolder, installFolder.c_str());
    // A setup folder without the archive: the installation fails at once.
    MakeFolder(scratch / "setup");
    fake.modulePath = scratch / "setup\\setup.exe";
  }
  ~FolderPageTest() override {
    TakeQuit();
    ClearPayloadPin();
  }

  LONG_PTR Next(ModelessWizard& wizard) { return wizard.Notify(FolderPageProc, PSN_WIZNEXT); }

  // The failed installation's one box, with the sheet's visibility seen
  // while it is up.
  void ExpectFailedInstallation(ModelessWizard& wizard, bool* hiddenMeanwhile = nullptr) {
    fake.Answer(IDOK, [&, hiddenMeanwhile] {
      if (hiddenMeanwhile) *hiddenMeanwhile = !IsWindowVisible(wizard.sheet());
    });
  }

  ScratchFolder scratch;
  RegistrySandbox registry;
  FakeOutside fake;
  std::string appData;
  std::string installFolder;
};

TEST_F(FolderPageTest, ActivationShowsTheFolderAndTheDefaultConfigurationFolderTurnedOff) {
  ModelessWizard wizard(1);
  ASSERT_EQ(103, wizard.pageId());
  HWND page = wizard.page();
  EXPECT_EQ(installFolder, BoxText(page, kInstallBox));
  EXPECT_EQ(appData + "\\Quillbar", BoxText(page, kConfigBox));
  EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page, kSeparateConfig));
  EXPECT_FALSE(Enabled(page, kConfigBox));
  EXPECT_FALSE(Enabled(page, kBrowseConfig));
  EXPECT_TRUE(Enabled(page, kBrowseInstall));
}

TEST_F(FolderPageTest, CheckBoxEnablesTheConfigurationBoxAndItsButton) {
  ModelessWizard wizard(1);
  HWND page = wizard.page();
  Click(page, kSeparateConfig);
  EXPECT_TRUE(Enabled(page, kConfigBox));
  EXPECT_TRUE(Enabled(page, kBrowseConfig));
  Click(page, kSeparateConfig);
  EXPECT_FALSE(Enabled(page, kConfigBox));
  EXPECT_FALSE(Enabled(page, kBrowseConfig));
}

TEST_F(FolderPageTest, WithoutApplicationDataTheConfigurationBoxIsEmpty) {
  SetRegText(HKEY_CURRENT_USER, kUserShellFolders, "AppData", scratch / "gone");
  ModelessWizard wizard(1);
  EXPECT_EQ("", BoxText(wizard.page(), kConfigBox));
}

TEST_F(FolderPageTest, NotificationsAnswerAsTheSheetExpects) {
  ModelessWizard wizard(1);
  BOOL handled = FALSE;
  EXPECT_EQ(101, wizard.Notify(FolderPageProc, PSN_WIZBACK, &handled));
  EXPECT_TRUE(handled);
  EXPECT_EQ(0, wizard.Notify(FolderPageProc, PSN_RESET, &handled));
  EXPECT_TRUE(handled);
  EXPECT_EQ(FALSE, wizard.Notify(FolderPageProc, PSN_QUERYCANCEL, &handled))
      << "Cancel is refused only while installing";
  EXPECT_TRUE(handled);
  EXPECT_FALSE(FolderPageProc(wizard.page(), WM_COMMAND, MAKEWPARAM(kInstallBox, EN_CHANGE), 0));
}

TEST_F(FolderPageTest, LeavingThePageSavesTheTypedFolder) {
  ModelessWizard wizard(1);
  SetDlgItemTextA(wizard.page(), kInstallBox, "D:\\Typed\\Folder");
  BOOL handled = FALSE;
  EXPECT_EQ(0, wizard.Notify(FolderPageProc, PSN_KILLACTIVE, &handled));
  EXPECT_TRUE(handled);
  EXPECT_STREQ("D:\\Typed\\Folder", setupState.installFolder);
}

TEST_F(FolderPageTest, BackAndReturnKeepsTheTypedFolderAndResetsTheConfigurationChoice) {
  ModelessWizard wizard(1);
  HWND page = wizard.page();
  SetDlgItemTextA(page, kInstallBox, "D:\\Typed");
  Click(page, kSeparateConfig);
  SetDlgItemTextA(page, kConfigBox, "D:\\Elsewhere");
  wizard.Press(PSBTN_BACK);
  ASSERT_EQ(101, wizard.pageId());
  EXPECT_STREQ("D:\\Typed", setupState.installFolder);
  wizard.Press(PSBTN_NEXT);
  ASSERT_EQ(103, wizard.pageId());
  page = wizard.page();
  EXPECT_EQ("D:\\Typed", BoxText(page, kInstallBox));
  EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page, kSeparateConfig));
  EXPECT_EQ(appData + "\\Quillbar", BoxText(page, kConfigBox));
  EXPECT_FALSE(Enabled(page, kConfigBox));
}

TEST_F(FolderPageTest, ExistingFoldersPassWithoutAQuestion) {
  ModelessWizard wizard(1);
  Click(wizard.page(), kSeparateConfig);
  SetDlgItemTextA(wizard.page(), kConfigBox, appData.c_str());
  ExpectFailedInstallation(wizard);
  Next(wizard);
  ASSERT_EQ(1u, fake.boxes.size()) << "only the installation's own box";
  EXPECT_EQ(kNoArchive, fake.boxes[0].text);
  EXPECT_EQ(appData, setupState.configFolder);
}

TEST_F(FolderPageTest, AnInstallFolderThatIsAFilePassesWithoutAQuestion) {
  WriteFile(scratch / "plain", "x");
  ModelessWizard wizard(1);
  SetDlgItemTextA(wizard.page(), kInstallBox, (scratch / "plain").c_str());
  ExpectFailedInstallation(wizard);
  Next(wizard);
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(kNoArchive, fake.boxes[0].text);
}

TEST_F(FolderPageTest, CheckBoxOffLeavesNoConfigurationFolderWhateverTheBoxHolds) {
  lstrcpyA(setupState.configFolder, "garbage");
  ModelessWizard wizard(1);
  SetDlgItemTextA(wizard.page(), kConfigBox, (scratch / "missing").c_str());
  ExpectFailedInstallation(wizard);
  Next(wizard);
  EXPECT_STREQ("", setupState.configFolder);
  EXPECT_FALSE(PathExists(scratch / "missing"));
}

TEST_F(FolderPageTest, NoToTheMainFolderQuestionStaysOnThePage) {
  ModelessWizard wizard(1);
  SetDlgItemTextA(wizard.page(), kInstallBox, (scratch / "new").c_str());
  fake.Answer(IDNO);
  EXPECT_EQ(-1, Next(wizard));
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(kMainQuestion, fake.boxes[0].text);
  EXPECT_EQ(kCaption, fake.boxes[0].caption);
  EXPECT_EQ(UINT(MB_YESNO), fake.boxes[0].style);
  EXPECT_FALSE(PathExists(scratch / "new"));
  EXPECT_FALSE(TakeQuit());
  EXPECT_TRUE(fake.launches.empty());
}

TEST_F(FolderPageTest, NoToTheConfigurationQuestionStaysOnThePage) {
  ModelessWizard wizard(1);
  Click(wizard.page(), kSeparateConfig);
  SetDlgItemTextA(wizard.page(), kConfigBox, (scratch / "config").c_str());
  fake.Answer(IDNO);
  EXPECT_EQ(-1, Next(wizard));
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(kConfigQuestion, fake.boxes[0].text);
  EXPECT_EQ(UINT(MB_YESNO), fake.boxes[0].style);
  EXPECT_FALSE(PathExists(scratch / "config"));
  EXPECT_FALSE(TakeQuit());
}

TEST_F(FolderPageTest, YesMakesBothFoldersWithTheirParents) {
  ModelessWizard wizard(1);
  HWND page = wizard.page();
  SetDlgItemTextA(page, kInstallBox, (scratch / "Apps\\Quillbar").c_str());
  Click(page, kSeparateConfig);
  SetDlgItemTextA(page, kConfigBox, (scratch / "My Settings\\Quillbar\\").c_str());
  fake.Answer(IDYES);
  fake.Answer(IDYES);
  ExpectFailedInstallation(wizard);
  Next(wizard);
  ASSERT_EQ(3u, fake.boxes.size());
  EXPECT_EQ(kMainQuestion, fake.boxes[0].text);
  EXPECT_EQ(kConfigQuestion, fake.boxes[1].text);
  EXPECT_TRUE(IsFolder(scratch / "Apps\\Quillbar"));
  EXPECT_TRUE(IsFolder(scratch / "My Settings\\Quillbar"));
}

TEST_F(FolderPageTest, YesWhereTheFolderCannotBeMadeShowsExactlyOneBoxAndStays) {
  WriteFile(scratch / "blocker", "a file where a folder should go");
  ModelessWizard wizard(1);
  SetDlgItemTextA(wizard.page(), kInstallBox, (scratch / "blocker\\Quillbar").c_str());
  fake.Answer(IDYES);
  fake.Answer(IDOK);
  EXPECT_EQ(-1, Next(wizard));
  ASSERT_EQ(2u, fake.boxes.size());
  EXPECT_EQ("Cannot create folder", fake.boxes[1].text);
  EXPECT_EQ(kCaption, fake.boxes[1].caption);
  EXPECT_EQ(UINT(MB_OK), fake.boxes[1].style);
  EXPECT_FALSE(TakeQuit());
}

TEST_F(FolderPageTest, ConfigurationFolderThatCannotBeMadeShowsExactlyOneBoxAndStays) {
  WriteFile(scratch / "blocker", "x");
  ModelessWizard wizard(1);
  Click(wizard.page(), kSeparateConfig);
  SetDlgItemTextA(wizard.page(), kConfigBox, (scratch / "blocker\\Config").c_str());
  fake.Answer(IDYES);
  fake.Answer(IDOK);
  EXPECT_EQ(-1, Next(wizard));
  ASSERT_EQ(2u, fake.boxes.size());
  EXPECT_EQ(kConfigQuestion, fake.boxes[0].text);
  EXPECT_EQ("Cannot create folder", fake.boxes[1].text);
}

TEST_F(FolderPageTest, AnEmptyInstallFolderCannotBeMade) {
  ModelessWizard wizard(1);
  SetDlgItemTextA(wizard.page(), kInstallBox, "");
  fake.Answer(IDYES);
  fake.Answer(IDOK);
  EXPECT_EQ(-1, Next(wizard));
  ASSERT_EQ(2u, fake.boxes.size());
  EXPECT_EQ(kMainQuestion, fake.boxes[0].text);
  EXPECT_EQ("Cannot create folder", fake.boxes[1].text);
}

// The longest names the installation appends: "\plugins\QBarWeather.dll" (24)
// to the install folder, "\Qbarconf.qcf" (13) to the configuration folder.
TEST_F(FolderPageTest, AnInstallFolderTooLongForItsFilesIsRefused) {
  ModelessWizard wizard(1);
  std::string tooLong = PathOfLength(scratch.path(), 260 - 24);
  SetDlgItemTextA(wizard.page(), kInstallBox, tooLong.c_str());
  fake.Answer(IDOK);
  EXPECT_EQ(-1, Next(wizard));
  ASSERT_EQ(1u, fake.boxes.size()) << "no creation question for a refused folder";
  EXPECT_EQ("The Main Folder name is too long.\rPlease choose a folder with a shorter path.",
            fake.boxes[0].text);
  EXPECT_EQ(kCaption, fake.boxes[0].caption);
  EXPECT_EQ(UINT(MB_OK), fake.boxes[0].style);
  EXPECT_STREQ(installFolder.c_str(), setupState.installFolder) << "the saved folder was cut";
  EXPECT_FALSE(TakeQuit());
}

TEST_F(FolderPageTest, TheLongestInstallFolderThatLeavesRoomIsTaken) {
  ModelessWizard wizard(1);
  std::string longest = PathOfLength(scratch.path(), 260 - 24 - 1);
  SetDlgItemTextA(wizard.page(), kInstallBox, longest.c_str());
  fake.Answer(IDNO);
  EXPECT_EQ(-1, Next(wizard));
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(kMainQuestion, fake.boxes[0].text);
  EXPECT_EQ(longest, setupState.installFolder);
}

TEST_F(FolderPageTest, AConfigurationFolderTooLongForItsFilesIsRefusedBeforeAnythingIsMade) {
  ModelessWizard wizard(1);
  SetDlgItemTextA(wizard.page(), kInstallBox, (scratch / "new").c_str());
  Click(wizard.page(), kSeparateConfig);
  SetDlgItemTextA(wizard.page(), kConfigBox, PathOfLength(scratch.path(), 260 - 13).c_str());
  fake.Answer(IDOK);
  EXPECT_EQ(-1, Next(wizard));
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(
      "The Configuration folder name is too long.\rPlease choose a folder with a shorter path.",
      fake.boxes[0].text);
  EXPECT_FALSE(PathExists(scratch / "new"));
}

TEST_F(FolderPageTest, AFolderTooLongForTheBufferIsNotCutWhenThePageIsLeft) {
  ModelessWizard wizard(1);
  SetDlgItemTextA(wizard.page(), kInstallBox, std::string(300, 'x').c_str());
  EXPECT_EQ(0, wizard.Notify(FolderPageProc, PSN_KILLACTIVE));
  EXPECT_EQ(installFolder, setupState.installFolder);
}

TEST_F(FolderPageTest, AFailedInstallationHidesTheWizardEndsItAndStaysOnThePage) {
  ModelessWizard wizard(1);
  bool hiddenMeanwhile = false;
  ExpectFailedInstallation(wizard, &hiddenMeanwhile);
  BOOL handled = FALSE;
  EXPECT_EQ(-1, wizard.Notify(FolderPageProc, PSN_WIZNEXT, &handled));
  EXPECT_TRUE(handled);
  EXPECT_TRUE(hiddenMeanwhile);
  EXPECT_TRUE(IsWindowVisible(wizard.sheet()));
  EXPECT_TRUE(TakeQuit());
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(kNoArchive, fake.boxes[0].text);
  EXPECT_EQ(0, setupState.installCompleted);
}

TEST_F(FolderPageTest, ALockedMainModuleEndsTheWizardAfterUnpacking) {
  WritePinnedPayload(scratch / "setup\\qbar47.dat");
  // No QBar.DllNew among the files: the main module cannot be put in place.
  StandInExtractor extractor(fake, {{"Quillbar.exe", "program"}});
  ModelessWizard wizard(1);
  fake.Answer(IDNO);  // the locked-module box: reboot later
  wizard.Press(PSBTN_NEXT);
  EXPECT_EQ(103, wizard.pageId());
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ("Quillbar", fake.boxes[0].caption);
  EXPECT_TRUE(PathExists(installFolder + "\\Quillbar.exe"));
  EXPECT_EQ(0, setupState.installCompleted) << "the shortcuts page became active";
}

TEST_F(FolderPageTest, ASuccessfulInstallationMovesToTheShortcutsPage) {
  WritePinnedPayload(scratch / "setup\\qbar47.dat");
  StandInExtractor extractor(fake, {{"Quillbar.exe", "program"}, {"QBar.DllNew", "module"}});
  ModelessWizard wizard(1);
  bool hiddenAtStart = false;
  extractor.onStart = [&] { hiddenAtStart = !IsWindowVisible(wizard.sheet()); };
  wizard.Press(PSBTN_NEXT);
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_TRUE(hiddenAtStart);
  EXPECT_EQ(installFolder, extractor.destination);
  EXPECT_EQ("module", ReadFile(installFolder + "\\QBar.Dll"));
  ASSERT_EQ(104, wizard.pageId());
  EXPECT_TRUE(IsWindowVisible(wizard.sheet()));
  EXPECT_EQ(1, setupState.installCompleted);
  EXPECT_STREQ("", setupState.configFolder);
}

// The boxes have no owner, so the sheet's Next can be pressed again while the
// first Next is asking its question.
TEST_F(FolderPageTest, NextPressedAgainWhileTheFirstIsAskingIsIgnored) {
  WritePinnedPayload(scratch / "setup\\qbar47.dat");
  StandInExtractor extractor(fake, {{"Quillbar.exe", "program"}, {"QBar.DllNew", "module"}});
  ModelessWizard wizard(1);
  SetDlgItemTextA(wizard.page(), kInstallBox, (scratch / "new").c_str());
  LONG_PTR secondResult = 0;
  size_t boxesMeanwhile = 0;
  fake.Answer(IDYES, [&] {
    secondResult = wizard.Notify(FolderPageProc, PSN_WIZNEXT);
    wizard.Press(PSBTN_NEXT);
    boxesMeanwhile = fake.boxes.size();
  });
  wizard.Press(PSBTN_NEXT);
  EXPECT_EQ(-1, secondResult);
  EXPECT_EQ(1u, boxesMeanwhile) << "no second question";
  EXPECT_EQ(1u, extractor.commandLines.size()) << "one installation";
  EXPECT_EQ(104, wizard.pageId());
}

// The questions have no owner, so the sheet's Cancel can be pressed while
// one is up: the wizard ends there, and the answer given afterwards makes no
// folder and installs nothing.
TEST_F(FolderPageTest, CancelWhileAQuestionIsUpInstallsNothing) {
  WritePinnedPayload(scratch / "setup\\qbar47.dat");
  StandInExtractor extractor(fake, {{"Quillbar.exe", "program"}, {"QBar.DllNew", "module"}});
  for (bool configQuestion : {false, true}) {
    SCOPED_TRACE(configQuestion ? "configuration folder question" : "main folder question");
    ModelessWizard wizard(1);
    std::string install = scratch / (configQuestion ? "existing" : "new");
    std::string config = scratch / "new config";
    if (configQuestion) MakeFolder(install);
    SetDlgItemTextA(wizard.page(), kInstallBox, install.c_str());
    SetDlgItemTextA(wizard.page(), kConfigBox, config.c_str());
    CheckDlgButton(wizard.page(), kSeparateConfig, configQuestion ? BST_CHECKED : BST_UNCHECKED);
    fake.Answer(IDYES, [&] { wizard.Press(PSBTN_CANCEL); });
    BOOL handled = FALSE;
    EXPECT_EQ(-1, wizard.Notify(FolderPageProc, PSN_WIZNEXT, &handled));
    EXPECT_TRUE(handled);
    EXPECT_EQ(1u, fake.boxes.size());
    EXPECT_FALSE(PathExists(configQuestion ? config : install)) << "made after Cancel";
    EXPECT_TRUE(extractor.commandLines.empty()) << "installed after Cancel";
    EXPECT_FALSE(TakeQuit());
    fake.boxes.clear();
  }
}

// Once the files are being installed, Cancel is refused: the wizard then
// ends only with the installation's own outcome.
TEST_F(FolderPageTest, CancelIsRefusedWhileInstalling) {
  WritePinnedPayload(scratch / "setup\\qbar47.dat");
  StandInExtractor extractor(fake, {{"Quillbar.exe", "program"}, {"QBar.DllNew", "module"}});
  ModelessWizard wizard(1);
  LONG_PTR whileInstalling = 0;
  extractor.onStart = [&] { whileInstalling = wizard.Notify(FolderPageProc, PSN_QUERYCANCEL); };
  wizard.Press(PSBTN_NEXT);
  EXPECT_EQ(TRUE, whileInstalling);
  ASSERT_EQ(104, wizard.pageId());
  EXPECT_EQ(1, setupState.installCompleted);
  EXPECT_EQ(FALSE, wizard.Notify(FolderPageProc, PSN_QUERYCANCEL)) << "allowed again afterwards";
}

// Each row starts in an empty scratch folder, plants a folder or a file, and
// makes a path under it ("" alone is the empty path).
TEST(CreateFolderPath, MakesEveryMissingLevelAndNothingElse) {
  const std::string tooLong(300, 'a');
  const struct {
    const char* what;
    const char* plantedFolder;
    const char* plantedFile;
    std::string path;
    int result;
    const char* folderAfter;  // a folder there afterwards, or null
    std::vector<std::string> listed;
  } rows[] = {
      {"every missing level, a trailing backslash dropped",
       nullptr,
       nullptr,
       "Apps\\Quillbar\\",
       1,
       "Apps\\Quillbar",
       {"Apps"}},
      {"existing levels passed over",
       "Apps",
       nullptr,
       "Apps\\Quillbar",
       1,
       "Apps\\Quillbar",
       {"Apps"}},
      {"an existing folder is an error", "Apps", nullptr, "Apps", 0, "Apps", {"Apps"}},
      {"stops at the first level that cannot be made",
       nullptr,
       "Apps",
       "Apps\\Quillbar\\Deeper",
       0,
       nullptr,
       {"Apps"}},
      {"the empty path", nullptr, nullptr, "", 0, nullptr, {}},
      {"a path longer than a path", nullptr, nullptr, tooLong, 0, nullptr, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ScratchFolder scratch;
    if (row.plantedFolder) MakeFolder(scratch / row.plantedFolder);
    if (row.plantedFile) WriteFile(scratch / row.plantedFile, "a file");
    std::string path = row.path.empty() ? "" : scratch / row.path;
    EXPECT_EQ(row.result, CreateFolderPath(path.c_str()) ? 1 : 0);
    if (row.folderAfter) {
      EXPECT_TRUE(IsFolder(scratch / row.folderAfter));
    }
    if (row.plantedFile) {
      EXPECT_FALSE(IsFolder(scratch / row.plantedFile)) << "the file stays a file";
    }
    EXPECT_EQ(row.listed, ListFolder(scratch.path()));
  }
}

}  // namespace

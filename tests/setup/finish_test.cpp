#include "setup/finish.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/com.h"
#include "setup/setup_state.h"
#include "tests/support/fake_outside.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/registry_paths.h"

namespace {

using registry_paths::kProductKey;
using registry_paths::kShellFolders;
using registry_paths::kUninstallKey;

using Names = std::vector<std::string>;

const char kScriptCommand[] = "Quillbar.Script\\shell\\open\\command";
const char kPrompt[] = "Successful installation.  Start Quillbar now?";

struct LinkSeen {
  std::string target;
  std::string description;
  std::string workingDirectory;
  std::string arguments;
};

std::string ShortPath(const std::string& path) {
  char shortPath[MAX_PATH] = "";
  DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  EXPECT_TRUE(length > 0 && length < MAX_PATH) << path;
  return shortPath;
}

std::string CurrentFolder() {
  char folder[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, folder);
  return folder;
}

// The run's shell-link object is made before the registry is redirected (the
// class lookup needs the real HKCR), and so is a second one that reads the
// saved shortcuts back. The finishing stops COM once; the reader keeps its
// own CoInitialize.
class ComBeforeSandbox {
 protected:
  ComBeforeSandbox() {
    setupState = SetupState{};
    ComStartStop(1);
    CoInitialize(NULL);
    CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                     reinterpret_cast<void**>(&reader_));
    if (reader_) reader_->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&readerFile_));
  }
  ~ComBeforeSandbox() {
    if (readerFile_) readerFile_->Release();
    if (reader_) reader_->Release();
    CoUninitialize();
    if (setupState.shellLink) ComStartStop(0);  // a test that stopped early
  }

  LinkSeen ReadLink(const std::string& path) {
    LinkSeen seen;
    WCHAR widePath[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
    EXPECT_TRUE(readerFile_ && SUCCEEDED(readerFile_->Load(widePath, STGM_READ))) << path;
    char text[1024];
    text[0] = '\0';
    reader_->GetPath(text, sizeof text, NULL, SLGP_RAWPATH);
    seen.target = text;
    text[0] = '\0';
    reader_->GetDescription(text, sizeof text);
    seen.description = text;
    text[0] = '\0';
    reader_->GetWorkingDirectory(text, sizeof text);
    seen.workingDirectory = text;
    text[0] = '\0';
    reader_->GetArguments(text, sizeof text);
    seen.arguments = text;
    return seen;
  }

 private:
  IShellLinkA* reader_ = nullptr;
  IPersistFile* readerFile_ = nullptr;
};

class FinishTest : public ComBeforeSandbox, public ::testing::Test {
 protected:
  FinishTest() {
    menu = scratch / "Start Menu";
    programs = scratch / "Programs";
    submenu = programs + "\\Quillbar";
    startup = scratch / "Startup";
    desktop = scratch / "Desktop";
    for (const std::string& folder : {menu, programs, startup, desktop}) MakeFolder(folder);
    SetRegText(HKEY_CURRENT_USER, kShellFolders, "Start Menu", menu);
    SetRegText(HKEY_CURRENT_USER, kShellFolders, "Programs", programs);
    SetRegText(HKEY_CURRENT_USER, kShellFolders, "Startup", startup);
    SetRegText(HKEY_CURRENT_USER, kShellFolders, "Desktop", desktop);

    // A folder with a blank, whose files have short names without one.
    MakeFolder(scratch / "Program Files");
    install = scratch / "Program Files\\Quillbar";
    MakeFolder(install);
    for (const char* name : {"Quillbar.exe", "QBarConf.exe", "unwise.exe", "Quillbar.hlp",
                             "Quillbar.chm", "QBST.chm"}) {
      WriteFile(install + "\\" + name, name);
    }
    lstrcpyA(setupState.installFolder, install.c_str());
    MakeFolder(scratch / "setup");
    extractorCopy = scratch / "setup\\qbar!ins.exe";
    WriteFile(extractorCopy, "extractor");
    lstrcpyA(setupState.extractorCopyPath, extractorCopy.c_str());

    // The wizard finished after the payload was installed, default flags.
    setupState.installCompleted = 1;
    setupState.submenuShortcuts = 1;
    setupState.startupShortcut = 1;
    setupState.desktopShortcuts = 1;
    startFolder = CurrentFolder();
  }
  ~FinishTest() override { SetCurrentDirectoryA(startFolder.c_str()); }

  void ExpectOnlyCleanUp() {
    EXPECT_EQ("<missing>", ReadRegText(HKEY_LOCAL_MACHINE, kProductKey, "Folder"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".Quillbar"));
    for (const std::string& folder : {menu, programs, startup, desktop}) {
      EXPECT_EQ(Names{}, ListFolder(folder)) << folder;
    }
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_TRUE(fake.launches.empty());
    EXPECT_TRUE(setupState.shellLink == nullptr) << "COM was not stopped";
    EXPECT_FALSE(PathExists(extractorCopy));
  }

  ScratchFolder scratch;
  RegistrySandbox registry;
  FakeOutside fake;
  std::string menu, programs, submenu, startup, desktop, install, extractorCopy, startFolder;
};

TEST_F(FinishTest, CancelledOnTheShortcutsPageOnlyCleansUp) {
  FinishInstallation(0);
  ExpectOnlyCleanUp();
  EXPECT_TRUE(PathExists(install + "\\Quillbar.exe")) << "the unpacked files stay";
}

TEST_F(FinishTest, EndedBeforeTheShortcutsPageOnlyCleansUp) {
  // Cancelled on the licence or folder page, or ended by a failed payload
  // installation: the shortcuts page never became active.
  setupState.installCompleted = 0;
  FinishInstallation(1);
  ExpectOnlyCleanUp();
}

TEST_F(FinishTest, ASheetThatCouldNotBeShownOnlyCleansUp) {
  setupState.installCompleted = 0;
  FinishInstallation(-1);
  ExpectOnlyCleanUp();
}

TEST_F(FinishTest, DefaultFlagsMakeEightShortcuts) {
  fake.Answer(IDNO);
  FinishInstallation(1);
  EXPECT_EQ((Names{"QBarConf.lnk", "Quillbar.lnk"}), ListFolder(desktop));
  EXPECT_EQ(
      (Names{"Configure.lnk", "HTML Help.lnk", "QBarHelp.lnk", "Quillbar.lnk", "Tutorial.lnk"}),
      ListFolder(submenu));
  EXPECT_EQ(Names{"Quillbar.lnk"}, ListFolder(startup));
  EXPECT_EQ(Names{}, ListFolder(menu));
  EXPECT_EQ(Names{"Quillbar"}, ListFolder(programs));

  LinkSeen product = ReadLink(desktop + "\\Quillbar.lnk");
  EXPECT_EQ(install + "\\Quillbar.exe", product.target) << "targets use the long path";
  EXPECT_EQ("Quillbar", product.description);
  EXPECT_EQ("", product.workingDirectory);
  EXPECT_EQ("", product.arguments);
  LinkSeen configure = ReadLink(desktop + "\\QBarConf.lnk");
  EXPECT_EQ(install + "\\QBarConf.exe", configure.target);
  EXPECT_EQ("Quillbar Configure", configure.description);
  EXPECT_EQ("Configure", ReadLink(submenu + "\\Configure.lnk").description);
  LinkSeen help = ReadLink(submenu + "\\QBarHelp.lnk");
  EXPECT_EQ(install + "\\Quillbar.hlp", help.target);
  EXPECT_EQ("QBarHelp", help.description);
  LinkSeen htmlHelp = ReadLink(submenu + "\\HTML Help.lnk");
  EXPECT_EQ(install + "\\Quillbar.chm", htmlHelp.target);
  EXPECT_EQ("HTML Help", htmlHelp.description);
  LinkSeen tutorial = ReadLink(submenu + "\\Tutorial.lnk");
  EXPECT_EQ(install + "\\QBST.chm", tutorial.target);
  EXPECT_EQ("Scripting Tutorial", tutorial.description);
  EXPECT_EQ(install + "\\Quillbar.exe", ReadLink(startup + "\\Quillbar.lnk").target);
}

TEST_F(FinishTest, RemembersTheFolderAndWritesTheUninstallEntryAndFileTypes) {
  fake.Answer(IDNO);
  FinishInstallation(1);
  DWORD type = 0;
  std::vector<unsigned char> data;
  ASSERT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kProductKey, "Folder", &type, &data));
  EXPECT_EQ(DWORD(REG_SZ), type);
  EXPECT_EQ(install.size() + 1, data.size()) << "the terminator is stored";
  EXPECT_EQ(install, ReadRegText(HKEY_LOCAL_MACHINE, kProductKey, "Folder"));

  EXPECT_EQ("Quillbar 4.7 (remove only)",
            ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
  std::string shortUnwise = ShortPath(install + "\\unwise.exe");
  ASSERT_EQ(std::string::npos, shortUnwise.find(' ')) << "this volume should give short names";
  EXPECT_EQ(shortUnwise + " ***",
            ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));

  std::string shortProduct = ShortPath(install + "\\Quillbar.exe");
  EXPECT_EQ(shortProduct + " *Script RunFile %1",
            ReadRegText(HKEY_CLASSES_ROOT, kScriptCommand, ""));

  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(kPrompt, fake.boxes[0].text);
  EXPECT_EQ("Quillbar Setup", fake.boxes[0].caption);
  EXPECT_EQ(UINT(MB_YESNO), fake.boxes[0].style) << "the prompt is not topmost";
  EXPECT_TRUE(fake.launches.empty()) << "No starts nothing";
  EXPECT_TRUE(setupState.shellLink == nullptr);
  EXPECT_FALSE(PathExists(extractorCopy));
}

TEST_F(FinishTest, EveryPlaceOnMakesTwelveShortcuts) {
  setupState.startMenuShortcuts = 1;
  setupState.programsShortcuts = 1;
  fake.Answer(IDNO);
  FinishInstallation(1);
  EXPECT_EQ((Names{"QBarConf.lnk", "Quillbar.lnk"}), ListFolder(menu));
  EXPECT_EQ((Names{"QBarConf.lnk", "Quillbar", "Quillbar.lnk"}), ListFolder(programs));
  EXPECT_EQ(5u, ListFolder(submenu).size());
  EXPECT_EQ(1u, ListFolder(startup).size());
  EXPECT_EQ(2u, ListFolder(desktop).size());
  LinkSeen configure = ReadLink(menu + "\\QBarConf.lnk");
  EXPECT_EQ(install + "\\QBarConf.exe", configure.target);
  EXPECT_EQ("Quillbar Configure", configure.description);
  EXPECT_EQ(install + "\\Quillbar.exe", ReadLink(programs + "\\Quillbar.lnk").target);
}

TEST_F(FinishTest, AllFlagsOffMakeNoShortcutButTheRestFollows) {
  setupState.submenuShortcuts = 0;
  setupState.startupShortcut = 0;
  setupState.desktopShortcuts = 0;
  fake.Answer(IDNO);
  FinishInstallation(1);
  for (const std::string& folder : {menu, programs, startup, desktop}) {
    EXPECT_EQ(Names{}, ListFolder(folder)) << folder;
  }
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ".Quillbar"));
  EXPECT_EQ(1u, fake.boxes.size());
}

TEST_F(FinishTest, WithoutAConfigurationFolderQuillbarStartsFromTheInstallFolder) {
  fake.Answer(IDYES);
  FinishInstallation(1);
  ASSERT_EQ(1u, fake.launches.size());
  EXPECT_EQ(ShortPath(install + "\\Quillbar.exe"), fake.launches[0]);
  EXPECT_EQ(ShortPath(install), ShortPath(CurrentFolder()));
  EXPECT_TRUE(setupState.shellLink == nullptr);
  EXPECT_FALSE(PathExists(extractorCopy));
}

TEST_F(FinishTest, AConfigurationFolderWithABlankIsPassedUnquoted) {
  std::string config = scratch / "My Config";
  MakeFolder(config);
  lstrcpyA(setupState.configFolder, config.c_str());
  fake.Answer(IDYES);
  FinishInstallation(1);

  for (const std::string& link :
       {desktop + "\\Quillbar.lnk", desktop + "\\QBarConf.lnk", submenu + "\\Quillbar.lnk",
        submenu + "\\Configure.lnk", startup + "\\Quillbar.lnk"}) {
    LinkSeen seen = ReadLink(link);
    EXPECT_EQ(config + "\\qbarconf.qcf", seen.arguments) << link;
    EXPECT_EQ(config, seen.workingDirectory) << link;
  }
  for (const char* name : {"\\QBarHelp.lnk", "\\HTML Help.lnk", "\\Tutorial.lnk"}) {
    LinkSeen seen = ReadLink(submenu + name);
    EXPECT_EQ("", seen.arguments) << name;
    EXPECT_EQ("", seen.workingDirectory) << name;
  }
  ASSERT_EQ(1u, fake.launches.size());
  EXPECT_EQ("\"" + ShortPath(install + "\\Quillbar.exe") + "\" " + config + "\\qbarconf.qcf",
            fake.launches[0]);
  EXPECT_EQ(ShortPath(config), ShortPath(CurrentFolder()));
}

TEST_F(FinishTest, PathsThatKeepABlankAfterShorteningAreQuoted) {
  // Without the files there are no short forms, and the long paths keep the
  // blank of "Program Files".
  DeleteFileA((install + "\\Quillbar.exe").c_str());
  DeleteFileA((install + "\\unwise.exe").c_str());
  setupState.submenuShortcuts = 0;
  setupState.startupShortcut = 0;
  setupState.desktopShortcuts = 0;
  fake.Answer(IDYES);
  FinishInstallation(1);
  EXPECT_EQ("\"" + install + "\\unwise.exe\" ***",
            ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
  ASSERT_EQ(1u, fake.launches.size());
  EXPECT_EQ("\"" + install + "\\Quillbar.exe\"", fake.launches[0]);
}

TEST_F(FinishTest, TheStartCommandForTheLongestFoldersIsWhole) {
  // The longest folders the folder page accepts, neither of them on disk.
  std::string longInstall =
      scratch.path() + "\\" + std::string(235 - scratch.path().size() - 1, 'i');
  std::string longConfig =
      scratch.path() + "\\" + std::string(246 - scratch.path().size() - 1, 'c');
  lstrcpyA(setupState.installFolder, longInstall.c_str());
  lstrcpyA(setupState.configFolder, longConfig.c_str());
  setupState.submenuShortcuts = 0;
  setupState.startupShortcut = 0;
  setupState.desktopShortcuts = 0;
  fake.Answer(IDYES);
  FinishInstallation(1);
  ASSERT_EQ(1u, fake.launches.size());
  std::string expected = "\"" + longInstall + "\\Quillbar.exe\" " + longConfig + "\\qbarconf.qcf";
  EXPECT_GT(expected.size(), size_t(MAX_PATH));
  EXPECT_EQ(expected, fake.launches[0]);
  EXPECT_EQ(longInstall + "\\unwise.exe ***",
            ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
}

TEST_F(FinishTest, NoProgramsFolderMakesNoSubmenuFolderAnywhere) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_ALL_ACCESS, &key));
  RegDeleteValueA(key, "Programs");
  RegCloseKey(key);
  // An empty Programs folder + "\Quillbar" would name a folder at the root of
  // the current drive.
  std::string root = CurrentFolder().substr(0, 2) + "\\Quillbar";
  bool existedBefore = PathExists(root);
  fake.Answer(IDNO);
  FinishInstallation(1);
  EXPECT_EQ(existedBefore, PathExists(root));
  EXPECT_EQ(2u, ListFolder(desktop).size());
  EXPECT_EQ(1u, ListFolder(startup).size());
}

}  // namespace

#include "shell/shortcuts.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/com.h"
#include "setup/setup_state.h"
#include "tests/support/scratch_folder.h"

namespace {

struct LinkFields {
  std::string description;
  std::string target;
  std::string workingDirectory;
  std::string arguments;
};

// Loads a saved shortcut through a shell-link object of its own.
LinkFields LoadLink(const std::string& path) {
  LinkFields fields;
  IShellLinkA* link = nullptr;
  EXPECT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)));
  if (!link) return fields;
  IPersistFile* file = nullptr;
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  WCHAR widePath[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
  EXPECT_EQ(S_OK, file->Load(widePath, STGM_READ)) << path;
  char text[1024];
  text[0] = '\0';
  link->GetDescription(text, sizeof text);
  fields.description = text;
  text[0] = '\0';
  link->GetPath(text, MAX_PATH, NULL, SLGP_RAWPATH);
  fields.target = text;
  text[0] = '\0';
  link->GetWorkingDirectory(text, MAX_PATH);
  fields.workingDirectory = text;
  text[0] = '\0';
  link->GetArguments(text, sizeof text);
  fields.arguments = text;
  file->Release();
  link->Release();
  return fields;
}

class ShortcutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setupState = SetupState{};
    ComStartStop(1);
    ASSERT_TRUE(setupState.shellLink && setupState.shellLinkFile);
    product = scratch / "Quillbar.exe";
    conf = scratch / "QBarConf.exe";
    WriteFile(product, "MZ");
    WriteFile(conf, "MZ");
  }
  void TearDown() override { ComStartStop(0); }

  // A folder in the scratch folder whose path is exactly length characters.
  std::string FolderOfLength(size_t length) {
    std::string folder = scratch.path() + "\\";
    EXPECT_LT(folder.size(), length);
    folder += std::string(length - folder.size(), 'd');
    MakeFolder(folder);
    return folder;
  }

  ScratchFolder scratch;
  std::string product;
  std::string conf;
};

TEST_F(ShortcutsTest, SavesEveryFieldItIsGiven) {
  std::string link = scratch / "Quillbar.lnk";
  CreateShortcut(link.c_str(), "Quillbar launcher", product.c_str(), scratch.path().c_str(),
                 "C:\\Config\\demo.qcf");
  ASSERT_TRUE(PathExists(link));
  LinkFields fields = LoadLink(link);
  EXPECT_EQ("Quillbar launcher", fields.description);
  EXPECT_EQ(product, fields.target);
  EXPECT_EQ(scratch.path(), fields.workingDirectory);
  EXPECT_EQ("C:\\Config\\demo.qcf", fields.arguments);
}

TEST_F(ShortcutsTest, ShortcutWithoutWorkingDirectoryOrArgumentsInheritsNone) {
  std::string first = scratch / "Quillbar.lnk";
  std::string second = scratch / "QBarConf.lnk";
  CreateShortcut(first.c_str(), "Quillbar", product.c_str(), scratch.path().c_str(), "demo.qcf");
  CreateShortcut(second.c_str(), "Configure Quillbar", conf.c_str(), nullptr, nullptr);
  LinkFields fields = LoadLink(second);
  EXPECT_EQ("Configure Quillbar", fields.description);
  EXPECT_EQ(conf, fields.target);
  EXPECT_EQ("", fields.workingDirectory);
  EXPECT_EQ("", fields.arguments);
  // The first one keeps what it was given.
  EXPECT_EQ("demo.qcf", LoadLink(first).arguments);
}

TEST_F(ShortcutsTest, EmptyWorkingDirectoryAndArgumentsStayEmpty) {
  std::string first = scratch / "Quillbar.lnk";
  std::string second = scratch / "Tutorial.lnk";
  CreateShortcut(first.c_str(), "Quillbar", product.c_str(), scratch.path().c_str(), "demo.qcf");
  CreateShortcut(second.c_str(), "Tutorial", product.c_str(), "", "");
  LinkFields fields = LoadLink(second);
  EXPECT_EQ("", fields.workingDirectory);
  EXPECT_EQ("", fields.arguments);
}

TEST_F(ShortcutsTest, NothingIsWrittenWhenComDidNotStart) {
  std::string link = scratch / "Quillbar.lnk";
  IShellLinkA* shellLink = setupState.shellLink;
  IPersistFile* shellLinkFile = setupState.shellLinkFile;
  setupState.shellLink = nullptr;
  setupState.shellLinkFile = nullptr;
  CreateShortcut(link.c_str(), "Quillbar", product.c_str(), nullptr, nullptr);
  setupState.shellLinkFile = shellLinkFile;
  CreateShortcut(link.c_str(), "Quillbar", product.c_str(), nullptr, nullptr);
  setupState.shellLink = shellLink;
  setupState.shellLinkFile = nullptr;
  CreateShortcut(link.c_str(), "Quillbar", product.c_str(), nullptr, nullptr);
  setupState.shellLinkFile = shellLinkFile;
  EXPECT_EQ(std::vector<std::string>({"QBarConf.exe", "Quillbar.exe"}), ListFolder(scratch.path()));
}

TEST_F(ShortcutsTest, MissingFolderLeavesNoFile) {
  std::string link = scratch / "Absent\\Quillbar.lnk";
  CreateShortcut(link.c_str(), "Quillbar", product.c_str(), nullptr, nullptr);
  EXPECT_FALSE(PathExists(link));
  EXPECT_FALSE(PathExists(scratch / "Absent"));
}

TEST_F(ShortcutsTest, EmptyFolderMakesNoShortcutInTheDriveRoot) {
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(scratch.path().c_str());
  ASSERT_FALSE(PathExists("\\Quillbar.lnk"));
  // As a caller composes it from an empty lookup...
  CreateShortcut("\\Quillbar.lnk", "Quillbar", product.c_str(), nullptr, nullptr);
  // ...or hands the folder over.
  CreateShortcutIn("", "\\Quillbar.lnk", "Quillbar", product.c_str(), nullptr, nullptr);
  CreateShortcut("", "Quillbar", product.c_str(), nullptr, nullptr);
  bool written = PathExists("\\Quillbar.lnk");
  if (written) DeleteFileA("\\Quillbar.lnk");
  SetCurrentDirectoryA(current);
  EXPECT_FALSE(written);
}

TEST_F(ShortcutsTest, CreateShortcutInJoinsFolderAndName) {
  CreateShortcutIn(scratch.path().c_str(), "\\HTML Help.lnk", "HTML help", product.c_str(), nullptr,
                   "help");
  LinkFields fields = LoadLink(scratch / "HTML Help.lnk");
  EXPECT_EQ("HTML help", fields.description);
  EXPECT_EQ("help", fields.arguments);
}

TEST_F(ShortcutsTest, LinkPathOf259CharactersIsWritten) {
  std::string folder = FolderOfLength(259 - 13);
  std::string link = folder + "\\Quillbar.lnk";
  ASSERT_EQ(259u, link.size());
  CreateShortcut(link.c_str(), "Quillbar", product.c_str(), nullptr, nullptr);
  EXPECT_EQ(product, LoadLink(link).target);
}

TEST_F(ShortcutsTest, LongerLinkPathIsSkippedNotCut) {
  std::string folder = FolderOfLength(260 - 13);
  std::string link = folder + "\\Quillbar.lnk";
  ASSERT_EQ(260u, link.size());
  CreateShortcut(link.c_str(), "Quillbar", product.c_str(), nullptr, nullptr);
  // Folder and name that do not fit together are refused the same way.
  CreateShortcutIn(folder.c_str(), "\\QBarConf.lnk", "Conf", conf.c_str(), nullptr, nullptr);
  EXPECT_EQ(std::vector<std::string>(), ListFolder(folder));
}

class ShortcutSweepTest : public ::testing::Test {
 protected:
  ScratchFolder scratch;
};

TEST_F(ShortcutSweepTest, DeletesTheSixNamesAndLeavesOthers) {
  for (const char* name :
       {"Quillbar.lnk", "QBarConf.lnk", "Configure.lnk", "Tutorial.lnk", "QBarHelp.lnk",
        "HTML Help.lnk", "Other.lnk", "Quillbar.txt", "Quillbar.lnk.bak", "Help.lnk"}) {
    WriteFile(scratch / name, "x");
  }
  DeleteShortcuts(scratch.path().c_str());
  EXPECT_EQ(std::vector<std::string>({"Help.lnk", "Other.lnk", "Quillbar.lnk.bak", "Quillbar.txt"}),
            ListFolder(scratch.path()));
  EXPECT_TRUE(IsFolder(scratch.path()));
}

TEST_F(ShortcutSweepTest, MissingNamesArePassedOver) {
  WriteFile(scratch / "Quillbar.lnk", "x");
  WriteFile(scratch / "HTML Help.lnk", "x");
  WriteFile(scratch / "readme.txt", "x");
  DeleteShortcuts(scratch.path().c_str());
  EXPECT_EQ(std::vector<std::string>({"readme.txt"}), ListFolder(scratch.path()));
  DeleteShortcuts((scratch / "Absent").c_str());  // nothing there at all
}

TEST_F(ShortcutSweepTest, EmptyFolderSweepsNothingInTheDriveRoot) {
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(scratch.path().c_str());
  ASSERT_FALSE(PathExists("\\Quillbar.lnk"));
  WriteFile("\\Quillbar.lnk", "someone else's");
  DeleteShortcuts("");
  bool kept = PathExists("\\Quillbar.lnk");
  DeleteFileA("\\Quillbar.lnk");
  SetCurrentDirectoryA(current);
  EXPECT_TRUE(kept);
}

TEST_F(ShortcutSweepTest, NameThatDoesNotFitIsPassedOverNotCut) {
  // folder + "\Quillbar.lnk" is 259 characters; folder + "\HTML Help.lnk"
  // would be 260, and cut to 259 it would name "HTML Help.ln".
  std::string folder = scratch.path() + "\\";
  folder += std::string(246 - folder.size(), 'd');
  MakeFolder(folder);
  WriteFile(folder + "\\Quillbar.lnk", "x");
  WriteFile(folder + "\\HTML Help.ln", "x");
  WriteFile(folder + "\\Configure.ln", "x");
  DeleteShortcuts(folder.c_str());
  EXPECT_EQ(std::vector<std::string>({"Configure.ln", "HTML Help.ln"}), ListFolder(folder));
}

}  // namespace

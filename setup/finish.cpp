// Finishing an installation once the wizard has closed: what the user chose
// on the shortcuts page becomes shortcuts, and the system learns where
// Quillbar lives, how to remove it and which files it opens.
#include "setup/finish.h"

#include "seam/outside.h"
#include "payload/extractor_copy.h"
#include "setup/com.h"
#include "setup/command_line.h"
#include "setup/program_submenu.h"
#include "common/registry_text.h"
#include "setup/setup_state.h"
#include "common/text.h"
#include "shell/file_types.h"
#include "shell/shell_folders.h"
#include "shell/shortcuts.h"

namespace {

const char kCaption[] = "Quillbar Setup";
const char kProductKey[] = "SOFTWARE\\TarragonProducts\\Tarragon";
char kNoClass[] = "";

// The texts the shortcuts and the start command are made of. Each is empty
// when it cannot be named whole, and a shortcut to an empty target is not made.
struct WorkingTexts {
  char productPath[MAX_PATH];
  char configurePath[MAX_PATH];
  char helpPath[MAX_PATH];
  char htmlHelpPath[MAX_PATH];
  char tutorialPath[MAX_PATH];
  char configArgument[MAX_PATH];
};

void BuildWorkingTexts(WorkingTexts* texts) {
  const char* folder = setupState.installFolder;
  JoinPath(texts->productPath, folder, "\\Quillbar.exe");
  JoinPath(texts->configurePath, folder, "\\QBarConf.exe");
  JoinPath(texts->helpPath, folder, "\\Quillbar.hlp");
  JoinPath(texts->htmlHelpPath, folder, "\\Quillbar.chm");
  JoinPath(texts->tutorialPath, folder, "\\QBST.chm");
  texts->configArgument[0] = '\0';
  if (setupState.configFolder[0]) {
    JoinPath(texts->configArgument, setupState.configFolder, "\\qbarconf.qcf");
  }
}

void RememberInstallFolder() {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, kNoClass, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS) {
    return;
  }
  SetTextValue(key, "Folder", setupState.installFolder);
  RegCloseKey(key);
}

enum Place { kStartMenu, kPrograms, kSubmenu, kStartup, kDesktop };

struct ShortcutRow {
  BOOL SetupState::*flag;
  Place place;
  const char* name;
  const char* description;
  char (WorkingTexts::*target)[MAX_PATH];
  bool withConfiguration;  // working directory and arguments from the configuration folder
};

// In the order they are made.
const ShortcutRow kShortcutRows[] = {
    {&SetupState::startMenuShortcuts, kStartMenu, "\\Quillbar.lnk", "Quillbar",
     &WorkingTexts::productPath, true},
    {&SetupState::startMenuShortcuts, kStartMenu, "\\QBarConf.lnk", "Quillbar Configure",
     &WorkingTexts::configurePath, true},
    {&SetupState::programsShortcuts, kPrograms, "\\Quillbar.lnk", "Quillbar",
     &WorkingTexts::productPath, true},
    {&SetupState::programsShortcuts, kPrograms, "\\QBarConf.lnk", "Quillbar Configure",
     &WorkingTexts::configurePath, true},
    {&SetupState::submenuShortcuts, kSubmenu, "\\Quillbar.lnk", "Quillbar",
     &WorkingTexts::productPath, true},
    {&SetupState::submenuShortcuts, kSubmenu, "\\Configure.lnk", "Configure",
     &WorkingTexts::configurePath, true},
    {&SetupState::submenuShortcuts, kSubmenu, "\\QBarHelp.lnk", "QBarHelp", &WorkingTexts::helpPath,
     false},
    {&SetupState::submenuShortcuts, kSubmenu, "\\HTML Help.lnk", "HTML Help",
     &WorkingTexts::htmlHelpPath, false},
    {&SetupState::submenuShortcuts, kSubmenu, "\\Tutorial.lnk", "Scripting Tutorial",
     &WorkingTexts::tutorialPath, false},
    {&SetupState::startupShortcut, kStartup, "\\Quillbar.lnk", "Quillbar",
     &WorkingTexts::productPath, true},
    {&SetupState::desktopShortcuts, kDesktop, "\\Quillbar.lnk", "Quillbar",
     &WorkingTexts::productPath, true},
    {&SetupState::desktopShortcuts, kDesktop, "\\QBarConf.lnk", "Quillbar Configure",
     &WorkingTexts::configurePath, true},
};

// Looked up afresh for every shortcut.
void LookUpFolder(Place place, char (&folder)[MAX_PATH]) {
  switch (place) {
    case kStartMenu:
      GetStartMenuFolder(folder);
      return;
    case kPrograms:
      GetProgramsFolder(folder);
      return;
    case kSubmenu:
      GetProgramSubmenuFolder(folder);
      return;
    case kStartup:
      GetStartupFolder(folder);
      return;
    case kDesktop:
      GetDesktopFolder(folder);
      return;
  }
}

void MakeShortcuts(const WorkingTexts& texts) {
  bool submenuMade = false;
  for (const ShortcutRow& row : kShortcutRows) {
    if (!(setupState.*row.flag)) continue;
    char folder[MAX_PATH];
    LookUpFolder(row.place, folder);
    if (row.place == kSubmenu && !submenuMade && folder[0]) {
      CreateDirectoryA(folder, NULL);  // an existing folder is fine
      submenuMade = true;
    }
    const char* target = texts.*row.target;
    if (!target[0]) continue;
    if (row.withConfiguration) {
      CreateShortcutIn(folder, row.name, row.description, target, setupState.configFolder,
                       texts.configArgument);
    } else {
      CreateShortcutIn(folder, row.name, row.description, target, NULL, NULL);
    }
  }
}

// The command the uninstall entry holds starts this program again under the
// name unwise.exe, which selects the removal.
void WriteUninstallEntry() {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, kNoClass, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS) {
    return;
  }
  char unwisePath[MAX_PATH];
  // Room for the path, its quotes and the tail.
  char command[MAX_PATH + sizeof "\"\" ***"] = "";
  bool named = JoinPath(unwisePath, setupState.installFolder, "\\unwise.exe");
  if (named) {
    ToShortPath(unwisePath);
    named = AppendProgramPath(command, unwisePath) && AppendText(command, " ***");
  }
  SetTextValue(key, "DisplayName", "Quillbar 4.7 (remove only)");
  if (named) SetTextValue(key, "UninstallString", command);
  RegCloseKey(key);
}

void StartQuillbar(const char* productPath) {
  // Room for the quoted program, a blank and the configuration file's path.
  char commandLine[2 * MAX_PATH + 8] = "";
  if (!setupState.configFolder[0]) {
    if (!AppendProgramPath(commandLine, productPath)) return;
    SetCurrentDirectoryA(setupState.installFolder);
  } else {
    // Quillbar takes the configuration file's path as the rest of its
    // command line, so that path is not quoted.
    if (!AppendText(commandLine, "\"") || !AppendText(commandLine, productPath) ||
        !AppendText(commandLine, "\" ") || !AppendText(commandLine, setupState.configFolder) ||
        !AppendText(commandLine, "\\qbarconf.qcf")) {
      return;
    }
    SetCurrentDirectoryA(setupState.configFolder);
  }
  outside.winExec(commandLine, SW_SHOW, NULL);
}

void FinishCompletedInstallation() {
  RememberInstallFolder();
  WorkingTexts texts;
  BuildWorkingTexts(&texts);
  MakeShortcuts(texts);
  WriteUninstallEntry();
  if (texts.productPath[0]) {
    ToShortPath(texts.productPath);
    RegisterFileTypes(1, texts.productPath);
  }
  if (outside.messageBox(NULL, "Successful installation.  Start Quillbar now?", kCaption,
                         MB_YESNO) != IDYES) {
    return;
  }
  if (texts.productPath[0]) StartQuillbar(texts.productPath);
}

}  // namespace

void FinishInstallation(INT_PTR sheetResult) {
  // Cancel gives 0. A sheet that could not be shown gives -1, which never comes
  // with the installation completed, so it does only the clean-up below.
  if (sheetResult != 0 && setupState.installCompleted) FinishCompletedInstallation();
  // In every run, also a cancelled one that had already unpacked the payload.
  ComStartStop(0);
  DeleteExtractorCopy();
}

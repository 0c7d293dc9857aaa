// Modules delivered under a second name are copied over the installed ones
// after the payload is unpacked; the main module may be held by Windows.
#include "payload/modules.h"

#include <windows.h>

#include "payload/file_steps.h"
#include "seam/outside.h"
#include "setup/setup_state.h"
#include "common/text.h"
#include "shell/shell_folders.h"
#include "shell/shortcuts.h"

namespace {

struct ModulePair {
  const char* newName;
  const char* oldName;
};

const ModulePair kSecondaryModules[] = {{"\\QBarctx.DllNew", "\\QBarctx.Dll"},
                                        {"\\QBartray.DllNew", "\\QBartray.Dll"},
                                        {"\\QBardesk.DllNew", "\\QBardesk.Dll"},
                                        {"\\QBartray.exenew", "\\QBartray.exe"}};

// The private PSAPI.Dll is for systems without a PSAPI.dll of their own; one
// of 0.4000 or later in the system folder serves the product instead.
const DWORD kSystemPsapiAtLeastMS = 0x00000FA0;
// The installed main module that needs no replacing: 4.4.0.8.
const DWORD kMainModuleMS = 0x00040004;
const DWORD kMainModuleLS = 0x00000008;

const char kLockedText[] =
    "Quillbar installation not completed.\r"
    "Quillbar cannot install new version of qbar.dll because Windows has locked qbar.dll in "
    "memory.\r"
    "Quillbar has been removed from Startup group.\r"
    "Please Reboot Windows so that installation can proceed.\r"
    "\r"
    "Press Yes to reboot now and run setup again.  No to reboot later and run setup manually.";

// Copies installFolder + newName over installFolder + oldName; false when
// either path is too long or the copy fails. A file that another program
// reads for a moment is waited for: only a module that stays held counts as
// locked.
bool CopyInInstallFolder(const char* newName, const char* oldName) {
  char source[MAX_PATH];
  char target[MAX_PATH];
  if (!JoinPath(source, setupState.installFolder, newName)) return false;
  if (!JoinPath(target, setupState.installFolder, oldName)) return false;
  return CopyFileWaiting(source, target, FALSE);
}

void SetPrivatePsapiAside() {
  char windowsFolder[MAX_PATH];
  UINT length = outside.windowsDirectory(windowsFolder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  char systemCopy[MAX_PATH];
  char privateCopy[MAX_PATH];
  char setAside[MAX_PATH];
  if (!JoinPath(systemCopy, windowsFolder, "\\system32\\PSAPI.dll")) return;
  if (!JoinPath(privateCopy, setupState.installFolder, "\\PSAPI.Dll")) return;
  if (!JoinPath(setAside, setupState.installFolder, "\\PSAPI.dllbak")) return;
  if (!FileVersionAtLeast(systemCopy, kSystemPsapiAtLeastMS)) return;
  DeleteFileWaiting(setAside);
  MoveFileWaiting(privateCopy, setAside);
}

bool MainModuleIsCurrent() {
  char oldModule[MAX_PATH];
  return JoinPath(oldModule, setupState.installFolder, "\\QBar.Dll") &&
         FileVersionIs(oldModule, kMainModuleMS, kMainModuleLS);
}

// The new main module could not be put in place: keep the old product from
// starting with the next log-on and offer that log-on at once.
void ReportLockedMainModule() {
  char startupFolder[MAX_PATH];
  GetStartupFolder(startupFolder);
  if (startupFolder[0]) DeleteShortcuts(startupFolder);  // never the current drive's root
  if (outside.messageBox(NULL, kLockedText, "Quillbar", MB_YESNO | MB_TOPMOST) == IDYES) {
    outside.exitWindows(EWX_LOGOFF, 0xFFFFFFFF);
  }
}

}  // namespace

int ReplaceLockedModules() {
  // A secondary module that cannot be replaced keeps its old version.
  for (const ModulePair& pair : kSecondaryModules) CopyInInstallFolder(pair.newName, pair.oldName);
  SetPrivatePsapiAside();
  if (MainModuleIsCurrent()) return 1;
  if (CopyInInstallFolder("\\QBar.DllNew", "\\QBar.Dll")) return 1;
  ReportLockedMainModule();
  return 0;
}

// Installing the product's files: the payload archive beside setup.exe is a
// self-extracting program, driven here through its windows alone.
#include "payload/extract.h"

#include <windows.h>

#include "payload/payload_pin.h"
#include "payload/plugins.h"
#include "seam/outside.h"
#include "setup/setup_state.h"
#include "common/path_chars.h"
#include "common/text.h"

namespace {

const char kExtractorName[] = "\\qbar!ins.exe";
const char kMainWindowTitle[] = "WinZip Self-Extractor - qbar!ins.exe";
const char kCompletionTitle[] = "WinZip Self-Extractor";
const int kDestinationControl = 106;

const int kWindowAttempts = 80;
const DWORD kWindowAttemptPause = 200;
const int kCompletionChecks = 60;
const DWORD kCompletionCheckPause = 333;
const DWORD kCopyRetryPause = 1000;
const DWORD kDismissPause = 1000;

const char* const kSampleNames[] = {"\\default.qcf",  "\\empty.qcf",   "\\tiered.qcf",
                                    "\\showcase.qcf", "\\cascade.qcf", "\\demo.qcf"};

bool Exists(const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The folder of setup.exe without a trailing backslash; for a setup.exe in
// a drive root that is the drive alone ("C:"), so that appending "\name"
// gives "C:\name". A path that did not fit the buffer (the call cuts it) or
// could not be read at all is refused.
bool FindSetupFolder(char (&folder)[MAX_PATH]) {
  DWORD length = outside.moduleFileName(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    folder[0] = '\0';
    return false;
  }
  folder[length] = '\0';  // older Windows leaves no terminator on a full buffer
  // The last backslash or colon, found by characters (a trail byte may be
  // 0x5C), but never one before the third character (the one after "C:").
  const char* cut = FindLastPathChar(folder, "\\:");
  DWORD end = length < 2 ? length : 2;
  if (cut && cut - folder > 2) end = static_cast<DWORD>(cut - folder);
  if (folder[end] == ':') ++end;
  folder[end] = '\0';
  return true;
}

// The archive copied to its program name as a new file and held open, so
// that nobody can write, rename or delete it until the extractor has read
// it; INVALID_HANDLE_VALUE when that fails twice, a second apart (a copy left
// running by an earlier attempt may still hold the old file). An old copy
// goes by its name first: copied over in place, a name that is a link to
// another file would have that file written.
HANDLE MakeHeldExtractorCopy() {
  const char* copy = setupState.extractorCopyPath;
  if (!copy[0]) return INVALID_HANDLE_VALUE;  // path too long: no retry can help
  for (int attempt = 1;; ++attempt) {
    DeleteFileA(copy);
    if (CopyFileA(setupState.payloadArchivePath, copy, TRUE)) {
      HANDLE held = CreateFileA(copy, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
      if (held != INVALID_HANDLE_VALUE) return held;
    }
    if (attempt == 2) return INVALID_HANDLE_VALUE;
    outside.sleep(kCopyRetryPause);
  }
}

bool RunExtractor() {
  char commandLine[MAX_PATH + 2] = "\"";
  AppendText(commandLine, setupState.extractorCopyPath);  // fits: the path is under MAX_PATH
  AppendText(commandLine, "\"");
  UINT result = outside.winExec(commandLine, SW_SHOW);
  if (result > 32) return true;
  char text[64] = "Unable to winexec unzip program ";
  AppendDecimal(text, result);
  ShowSetupError(text);
  ShowSetupError(setupState.extractorCopyPath);
  return false;
}

HWND WaitForMainWindow() {
  for (int attempt = 0; attempt < kWindowAttempts; ++attempt) {
    HWND window = FindWindowA(NULL, kMainWindowTitle);
    if (window) return window;
    outside.sleep(kWindowAttemptPause);
  }
  return NULL;
}

HWND WaitForCompletionBox() {
  for (int check = 0; check < kCompletionChecks; ++check) {
    outside.sleep(kCompletionCheckPause);
    HWND box = FindWindowA(NULL, kCompletionTitle);
    if (box) return box;
  }
  return NULL;
}

// The extractor's completion box is closed through its Cancel command; it is
// disabled first so that the user cannot answer it at the same moment.
void DismissExtractor(HWND mainWindow, HWND completionBox) {
  EnableWindow(completionBox, FALSE);
  outside.sleep(kDismissPause);
  SendMessageA(completionBox, WM_COMMAND, IDCANCEL, 0);
  SendMessageA(mainWindow, WM_CLOSE, 0, 0);
}

// The samples always replace those in the configuration folder; the main
// configuration file is seeded from the default sample only when missing.
void CopySamplesToConfigFolder() {
  for (const char* name : kSampleNames) CopyToConfigFolder(name);
  char mainFile[MAX_PATH];
  char seed[MAX_PATH];
  if (!JoinPath(mainFile, setupState.configFolder, "\\Qbarconf.qcf")) return;
  if (!JoinPath(seed, setupState.configFolder, "\\Default.qcf")) return;
  if (!Exists(mainFile)) CopyFileA(seed, mainFile, TRUE);
}

// Runs the extractor copy and drives it through its windows; 1 when the
// files are unpacked and placed.
int RunAndDriveExtractor() {
  if (!RunExtractor()) return 0;

  HWND mainWindow = WaitForMainWindow();
  if (!mainWindow) {
    ShowSetupError("Unable to run unzip program.");
    return 0;
  }
  SendMessageA(GetDlgItem(mainWindow, kDestinationControl), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(setupState.installFolder));
  PostMessageA(mainWindow, WM_COMMAND, IDOK, 0);

  HWND completionBox = WaitForCompletionBox();
  if (!completionBox) {
    ShowSetupError("cannot complete unzip");
    return 0;
  }
  DismissExtractor(mainWindow, completionBox);

  PlacePlugins();
  if (setupState.configFolder[0]) CopySamplesToConfigFolder();
  return 1;
}

}  // namespace

int ExtractPayload(const char* archiveName) {
  char setupFolder[MAX_PATH];
  bool folderKnown = FindSetupFolder(setupFolder);
  bool archiveKnown = folderKnown && JoinPath(setupState.payloadArchivePath, setupFolder, "\\") &&
                      AppendText(setupState.payloadArchivePath, archiveName);
  if (!archiveKnown) setupState.payloadArchivePath[0] = '\0';
  // Set before anything can fail, so that the end of the run deletes a copy
  // of this run or of an earlier one; empty only when it cannot be named.
  if (!folderKnown || !JoinPath(setupState.extractorCopyPath, setupFolder, kExtractorName)) {
    setupState.extractorCopyPath[0] = '\0';
  }

  if (!archiveKnown || !Exists(setupState.payloadArchivePath)) {
    ShowSetupError("Cannot find qbar47.dat file in setup.exe folder");
    return 0;
  }
  HANDLE heldCopy = MakeHeldExtractorCopy();
  if (heldCopy == INVALID_HANDLE_VALUE) {
    ShowSetupError("Cannot create qbar!ins.exe file");
    return 0;
  }
  // Only the payload this program was released with runs, and it stays held
  // until the extractor has unpacked it.
  int result = 0;
  if (IsPinnedPayload(heldCopy)) {
    result = RunAndDriveExtractor();
  } else {
    ShowSetupError(
        "The qbar47.dat file in the setup.exe folder is damaged or does not belong to this "
        "setup.");
  }
  CloseHandle(heldCopy);
  return result;
}

void CopyToConfigFolder(const char* name) {
  char source[MAX_PATH];
  char target[MAX_PATH];
  if (!JoinPath(source, setupState.installFolder, name)) return;
  if (!JoinPath(target, setupState.configFolder, name)) return;
  CopyFileA(source, target, FALSE);
}

// Installing the product's files: the payload archive beside setup.exe is a
// self-extracting program, driven here through its windows alone.
#include "payload/extract.h"

#include <windows.h>

#include <commctrl.h>

#include "payload/extractor_copy.h"
#include "payload/extractor_process.h"
#include "payload/file_steps.h"
#include "payload/payload_pin.h"
#include "payload/plugins.h"
#include "seam/outside.h"
#include "setup/setup_state.h"
#include "common/make_folder.h"
#include "common/path_chars.h"
#include "common/text.h"

namespace {

const char kMainWindowTitle[] = "WinZip Self-Extractor - qbar!ins.exe";
const char kCompletionTitle[] = "WinZip Self-Extractor";
const int kDestinationControl = 106;
// The extractor's progress bar, when it has one.
const int kProgressControl = 109;

const int kWindowAttempts = 80;
const DWORD kWindowAttemptPause = 200;
const int kCompletionChecks = 60;
const DWORD kCompletionCheckPause = 333;
const DWORD kDismissPause = 1000;
// How long an extractor that is ended may take to go.
const DWORD kEndWait = 10000;

const char* const kSampleNames[] = {"\\default.qcf",  "\\empty.qcf",   "\\tiered.qcf",
                                    "\\showcase.qcf", "\\cascade.qcf", "\\demo.qcf"};

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

// Runs the extractor copy; extractor receives the program started.
bool RunExtractor(ExtractorProcess* extractor) {
  char commandLine[MAX_PATH + 2] = "\"";
  AppendText(commandLine, setupState.extractorCopyPath);  // fits: the path is under MAX_PATH
  AppendText(commandLine, "\"");
  UINT result = outside.winExec(commandLine, SW_SHOW, &extractor->handle);
  if (result > 32) {
    extractor->id = extractor->handle ? GetProcessId(extractor->handle) : 0;
    return true;
  }
  char text[64] = "Unable to winexec unzip program ";
  AppendDecimal(text, result);
  ShowSetupError(text);
  ShowSetupError(setupState.extractorCopyPath);
  return false;
}

// An extractor that has ended is not waited for; one that shows a box of its
// own (it cannot read itself, say) is the user's to answer, and the attempts
// meanwhile do not count.
HWND WaitForMainWindow(const ExtractorProcess& extractor) {
  for (int attempt = 0; attempt < kWindowAttempts;) {
    HWND window = FindExtractorWindow(extractor, kMainWindowTitle);
    if (window || HasEnded(extractor)) return window;
    if (!ShowsABoxOfItsOwn(extractor, NULL)) ++attempt;
    outside.sleep(kWindowAttemptPause);
  }
  return NULL;
}

// Where the extractor's progress bar stands; -1 when it has none or does not
// answer within a second (a hung extractor must not hang setup too).
LRESULT ProgressOf(HWND mainWindow) {
  HWND bar = GetDlgItem(mainWindow, kProgressControl);
  DWORD_PTR position;
  if (!bar ||
      !SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 1000, &position)) {
    return -1;
  }
  return static_cast<LRESULT>(position);
}

// A slow unpack is not a stalled one: a check at which the extractor's
// progress bar has moved does not count, nor one at which it shows its user
// a box of its own (why its unpack failed, say), so the wait gives up only
// after 60 checks at which nothing moved. An extractor that has ended
// without its completion box is not waited for.
HWND WaitForCompletionBox(const ExtractorProcess& extractor, HWND mainWindow) {
  LRESULT progress = ProgressOf(mainWindow);
  for (int still = 0; still < kCompletionChecks;) {
    outside.sleep(kCompletionCheckPause);
    HWND box = FindExtractorWindow(extractor, kCompletionTitle);
    if (box || HasEnded(extractor)) return box;
    LRESULT now = ProgressOf(mainWindow);
    if (now == progress && !ShowsABoxOfItsOwn(extractor, mainWindow)) ++still;
    progress = now;
  }
  return NULL;
}

// An extractor given up on must not go on: it runs with setup's rights, and
// a later press of its Unzip button would install into a folder that nothing
// registers. Its work folder heals at the next unpack, wherever it is cut
// off. Waiting for its end lets the end of the run delete the copy.
void EndExtractor(const ExtractorProcess& extractor) {
  if (!HasEnded(extractor) && TerminateProcess(extractor.handle, 1)) {
    WaitForSingleObject(extractor.handle, kEndWait);
  }
}

// The extractor's completion box is closed through its Cancel command; it is
// disabled first so that the user cannot answer it at the same moment.
void DismissExtractor(HWND mainWindow, HWND completionBox) {
  EnableWindow(completionBox, FALSE);
  outside.sleep(kDismissPause);
  SendMessageA(completionBox, WM_COMMAND, IDCANCEL, 0);
  SendMessageA(mainWindow, WM_CLOSE, 0, 0);
}

// Copies installFolder + name to configFolder + name (name begins with '\').
void CopyToConfigFolder(const char* name) {
  char source[MAX_PATH];
  char target[MAX_PATH];
  if (!JoinPath(source, setupState.installFolder, name)) return;
  if (!JoinPath(target, setupState.configFolder, name)) return;
  CopyFileWaiting(source, target, FALSE);
}

// The samples always replace those in the configuration folder; the main
// configuration file is seeded from the default sample only when missing.
void CopySamplesToConfigFolder() {
  for (const char* name : kSampleNames) CopyToConfigFolder(name);
  char mainFile[MAX_PATH];
  char seed[MAX_PATH];
  if (!JoinPath(mainFile, setupState.configFolder, "\\Qbarconf.qcf")) return;
  if (!JoinPath(seed, setupState.configFolder, "\\Default.qcf")) return;
  if (!PathExists(mainFile)) CopyFileWaiting(seed, mainFile, TRUE);
}

// Drives the started extractor through its windows; 1 when the files are
// unpacked and placed.
int DriveExtractor(const ExtractorProcess& extractor) {
  HWND mainWindow = WaitForMainWindow(extractor);
  if (!mainWindow) {
    EndExtractor(extractor);
    ShowSetupError("Unable to run unzip program.");
    return 0;
  }
  SendMessageA(GetDlgItem(mainWindow, kDestinationControl), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(setupState.installFolder));
  PostMessageA(mainWindow, WM_COMMAND, IDOK, 0);

  HWND completionBox = WaitForCompletionBox(extractor, mainWindow);
  if (!completionBox) {
    EndExtractor(extractor);
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
  if (!folderKnown || !JoinPath(setupState.extractorCopyPath, setupFolder, kExtractorCopyName)) {
    setupState.extractorCopyPath[0] = '\0';
  }
  setupState.extractorCopyFolder[0] = '\0';

  if (!archiveKnown || !PathExists(setupState.payloadArchivePath)) {
    ShowSetupError("Cannot find qbar47.dat file in setup.exe folder");
    return 0;
  }
  PinnedCopy copy = MakePinnedExtractorCopy();
  if (copy.file == INVALID_HANDLE_VALUE) {
    ShowSetupError("Cannot create qbar!ins.exe file");
    return 0;
  }
  // Only the payload this program was released with runs, and it stays
  // pinned until the extractor has unpacked it.
  int result = 0;
  if (IsPinnedPayload(copy.file)) {
    ExtractorProcess extractor = {NULL, 0};
    if (RunExtractor(&extractor)) result = DriveExtractor(extractor);
    if (extractor.handle) CloseHandle(extractor.handle);
  } else {
    ShowSetupError(
        "The qbar47.dat file in the setup.exe folder is damaged or does not belong to this "
        "setup.");
  }
  UnpinCopy(copy);
  return result;
}

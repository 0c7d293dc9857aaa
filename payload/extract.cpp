// Installing the product's files: the payload archive beside setup.exe is a
// self-extracting program, driven here through its windows alone.
#include "payload/extract.h"

#include <windows.h>

#include <commctrl.h>

#include "payload/file_steps.h"
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
// The extractor's progress bar, when it has one.
const int kProgressControl = 109;

const int kWindowAttempts = 80;
const DWORD kWindowAttemptPause = 200;
const int kCompletionChecks = 60;
const DWORD kCompletionCheckPause = 333;
const DWORD kCopyRetryPause = 1000;
const DWORD kDismissPause = 1000;
// How long an extractor that is ended may take to go.
const DWORD kEndWait = 10000;

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

// Static, as it is too large for the stack of a program without the
// runtime's stack probes.
BYTE copyBlock[64 * 1024];

bool CopyBytes(HANDLE from, HANDLE to) {
  for (;;) {
    DWORD got = 0, put = 0;
    if (!ReadFile(from, copyBlock, sizeof copyBlock, &got, NULL)) return false;
    if (got == 0) return true;
    if (!WriteFile(to, copyBlock, got, &put, NULL) || put != got) return false;
  }
}

// Trades the handle that wrote the copy for one that only reads it and
// shares only reading, reopened from it, never by name: a program cannot
// start from a file that is open for writing. The file is open throughout,
// never to be renamed or deleted; whatever another program could write in
// the moment between the two is read by the digest, which is taken after.
HANDLE KeepReading(HANDLE written) {
  HANDLE reading = ReOpenFile(written, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
  CloseHandle(written);
  if (reading == INVALID_HANDLE_VALUE) return reading;
  HANDLE held = ReOpenFile(reading, GENERIC_READ, FILE_SHARE_READ, 0);
  CloseHandle(reading);
  return held;
}

// The archive copied to its program name as setup's own new file, and held
// open, sharing reading only, so that nobody can write, rename or delete it
// until the extractor has read it. An old copy goes by its name first; a
// link under the name is refused, and the copy is made only where nothing
// stands (a link made there meanwhile is not followed).
HANDLE CreateHeldCopy(const char* copy) {
  DWORD attributes = GetFileAttributesA(copy);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return INVALID_HANDLE_VALUE;
  }
  DeleteFileA(copy);
  HANDLE source = CreateFileA(setupState.payloadArchivePath, GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, 0, NULL);
  if (source == INVALID_HANDLE_VALUE) return source;
  HANDLE held = CreateFileA(copy, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW,
                            FILE_FLAG_OPEN_REPARSE_POINT, NULL);
  if (held != INVALID_HANDLE_VALUE) {
    if (CopyBytes(source, held)) {
      held = KeepReading(held);
    } else {
      CloseHandle(held);
      held = INVALID_HANDLE_VALUE;
    }
  }
  CloseHandle(source);
  return held;
}

// INVALID_HANDLE_VALUE when the copy fails twice, a second apart (a copy
// left running by an earlier attempt may still hold the old file).
HANDLE MakeHeldExtractorCopy() {
  const char* copy = setupState.extractorCopyPath;
  if (!copy[0]) return INVALID_HANDLE_VALUE;  // path too long: no retry can help
  for (int attempt = 1;; ++attempt) {
    HANDLE held = CreateHeldCopy(copy);
    if (held != INVALID_HANDLE_VALUE || attempt == 2) return held;
    outside.sleep(kCopyRetryPause);
  }
}

// Runs the extractor copy; process receives the program started, or null.
bool RunExtractor(HANDLE* process) {
  char commandLine[MAX_PATH + 2] = "\"";
  AppendText(commandLine, setupState.extractorCopyPath);  // fits: the path is under MAX_PATH
  AppendText(commandLine, "\"");
  UINT result = outside.winExec(commandLine, SW_SHOW, process);
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
// progress bar has moved does not count, so the wait gives up only after 60
// checks at which nothing moved.
HWND WaitForCompletionBox(HWND mainWindow) {
  LRESULT progress = ProgressOf(mainWindow);
  for (int still = 0; still < kCompletionChecks;) {
    outside.sleep(kCompletionCheckPause);
    HWND box = FindWindowA(NULL, kCompletionTitle);
    if (box) return box;
    LRESULT now = ProgressOf(mainWindow);
    if (now == progress) ++still;
    progress = now;
  }
  return NULL;
}

// An extractor given up on must not go on: it runs with setup's rights, and
// a later press of its Unzip button would install into a folder that nothing
// registers. Its work folder heals at the next unpack, wherever it is cut
// off. Waiting for its end lets the end of the run delete the copy.
void EndExtractor(HANDLE process) {
  if (process && TerminateProcess(process, 1)) WaitForSingleObject(process, kEndWait);
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
  if (!Exists(mainFile)) CopyFileWaiting(seed, mainFile, TRUE);
}

// Drives the started extractor through its windows; 1 when the files are
// unpacked and placed.
int DriveExtractor(HANDLE process) {
  HWND mainWindow = WaitForMainWindow();
  if (!mainWindow) {
    EndExtractor(process);
    ShowSetupError("Unable to run unzip program.");
    return 0;
  }
  SendMessageA(GetDlgItem(mainWindow, kDestinationControl), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(setupState.installFolder));
  PostMessageA(mainWindow, WM_COMMAND, IDOK, 0);

  HWND completionBox = WaitForCompletionBox(mainWindow);
  if (!completionBox) {
    EndExtractor(process);
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
    HANDLE process = NULL;
    if (RunExtractor(&process)) result = DriveExtractor(process);
    if (process) CloseHandle(process);
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
  CopyFileWaiting(source, target, FALSE);
}

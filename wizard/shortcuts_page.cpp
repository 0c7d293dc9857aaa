// The shortcuts page: reached only once the files are installed, it marks the
// installation as completed and collects where the shortcuts go.
#include "wizard/shortcuts_page.h"

#include <commctrl.h>
#include <string.h>

#include "seam/outside.h"
#include "setup/setup_state.h"
#include "common/text.h"
#include "wizard/center_window.h"
#include "wizard/page_result.h"

namespace {

const int kViewReadMe = 1007;

struct FlagBox {
  int controlId;
  BOOL SetupState::*flag;
};

// The Startup box comes last in the template but is one of the five flags
// like the others; each box feeds its own flag.
const FlagBox kFlagBoxes[] = {
    {1003, &SetupState::startMenuShortcuts}, {1004, &SetupState::programsShortcuts},
    {1005, &SetupState::submenuShortcuts},   {1008, &SetupState::startupShortcut},
    {1006, &SetupState::desktopShortcuts},
};

void OnSetActive(HWND page) {
  CenterWindow(page);
  // From here on the files count as installed, whether the user then
  // finishes or cancels; only Finish lets the installation be finished.
  setupState.installCompleted = 1;
  for (const FlagBox& box : kFlagBoxes) {
    CheckDlgButton(page, box.controlId, setupState.*box.flag ? BST_CHECKED : BST_UNCHECKED);
  }
  PostWizardButtons(page, PSWIZB_FINISH);
}

BOOL SaveFlags(HWND page) {
  SetPageResult(page, 0);
  for (const FlagBox& box : kFlagBoxes) {
    setupState.*box.flag = IsDlgButtonChecked(page, box.controlId);
  }
  return TRUE;
}

// The system's own Notepad, by its full path: a bare "notepad.exe" would be
// looked for in the setup folder and the current folder first, and the setup
// runs elevated from wherever it was downloaded to. Quoted where the path
// holds a blank. False, with nothing written, when it does not fit.
bool SystemNotepad(char (&commandLine)[MAX_PATH + 2]) {
  char notepad[MAX_PATH];
  UINT length = GetSystemDirectoryA(notepad, MAX_PATH);
  if (!length || length >= MAX_PATH || !AppendText(notepad, "\\notepad.exe")) return false;
  if (!strchr(notepad, ' ')) return CopyText(commandLine, notepad);
  CopyText(commandLine, "\"");
  return AppendText(commandLine, notepad) && AppendText(commandLine, "\"");
}

}  // namespace

void ViewReadMe() {
  char readMePath[MAX_PATH];
  if (!JoinPath(readMePath, setupState.installFolder, "\\readme.txt")) return;
  // Notepad takes the rest of its command line as the file name; the short
  // form is used where there is one, the long path where there is none (a
  // missing file has none).
  char shortPath[MAX_PATH];
  DWORD length = GetShortPathNameA(readMePath, shortPath, MAX_PATH);
  if (length && length < MAX_PATH) CopyText(readMePath, shortPath);
  char notepad[MAX_PATH + 2];
  if (!SystemNotepad(notepad)) return;
  char commandLine[sizeof notepad + 1 + MAX_PATH];
  CopyText(commandLine, notepad);  // fits: the buffer has room for both paths and the blank
  AppendText(commandLine, " ");
  AppendText(commandLine, readMePath);
  outside.winExec(commandLine, SW_SHOW, NULL);
}

INT_PTR CALLBACK ShortcutsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      ShowWindow(page, SW_SHOW);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == kViewReadMe) ViewReadMe();
      return FALSE;
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
          OnSetActive(page);
          return TRUE;
        case PSN_KILLACTIVE:
        case PSN_WIZFINISH:
          return SaveFlags(page);
        case PSN_RESET:
          return SetPageResult(page, 0);
      }
      return FALSE;
  }
  return FALSE;
}

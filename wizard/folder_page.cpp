// The folder page: where Quillbar goes, whether its configuration files go
// somewhere else, and, on Next, the installation of the files themselves.
#include "wizard/folder_page.h"

#include <commctrl.h>
#include <shlobj.h>
#include <string.h>

#include "payload/extract.h"
#include "payload/modules.h"
#include "seam/outside.h"
#include "setup/setup_state.h"
#include "common/make_folder.h"
#include "common/path_chars.h"
#include "common/text.h"
#include "wizard/center_window.h"
#include "wizard/page_ids.h"
#include "wizard/page_result.h"

namespace {

const int kInstallFolderBox = 1001;
const int kBrowseInstallFolder = 1002;
const int kConfigFolderBox = 1009;
const int kBrowseConfigFolder = 1010;
const int kSeparateConfigFolder = 1011;

const char kCaption[] = "Quillbar Setup";

// The longest names the installation appends to each folder: a plug-in in
// its subfolder, and a sample configuration file. A folder that leaves no
// room for them would have some of its files refused half-way through the
// installation, so it is refused here, before anything is unpacked.
const char kLongestInstallName[] = "\\plugins\\QBarWeather.dll";
const char kLongestConfigName[] = "\\Qbarconf.qcf";

// Where the handling of Next stands; Cancel is answered by it.
enum NextState { kNotHandlingNext, kAsking, kCancelledWhileAsking, kInstalling };
NextState nextState = kNotHandlingNext;

void ApplyEnablingRule(HWND page) {
  BOOL checked = IsDlgButtonChecked(page, kSeparateConfigFolder) == BST_CHECKED;
  EnableWindow(GetDlgItem(page, kBrowseConfigFolder), checked);
  EnableWindow(GetDlgItem(page, kConfigFolderBox), checked);
}

// The box's text into folder (MAX_PATH) when the text and the longest name
// that will be appended to it fit; false, with folder untouched, otherwise.
// The length is taken before the text so that a long text is never cut.
bool ReadFolderBox(HWND page, int boxId, char* folder, const char* longestName) {
  int length = GetWindowTextLengthA(GetDlgItem(page, boxId));
  if (length < 0 || static_cast<size_t>(length) + strlen(longestName) >= MAX_PATH) return false;
  GetDlgItemTextA(page, boxId, folder, MAX_PATH);
  return true;
}

void DefaultConfigFolder(HWND page, char (&folder)[MAX_PATH]) {
  folder[0] = '\0';
  LPITEMIDLIST appData = NULL;
  if (SUCCEEDED(SHGetSpecialFolderLocation(page, CSIDL_APPDATA, &appData)) && appData) {
    if (!SHGetPathFromIDListA(appData, folder)) folder[0] = '\0';
    CoTaskMemFree(appData);
  }
  // A folder that leaves no room for the name gets no default rather than a
  // cut one.
  if (folder[0] && !AppendText(folder, "\\Quillbar")) folder[0] = '\0';
}

void OnSetActive(HWND page) {
  CenterWindow(page);
  SetDlgItemTextA(page, kInstallFolderBox, setupState.installFolder);
  char defaultConfig[MAX_PATH];
  DefaultConfigFolder(page, defaultConfig);
  SetDlgItemTextA(page, kConfigFolderBox, defaultConfig);
  EnableWindow(GetDlgItem(page, kBrowseConfigFolder), FALSE);
  EnableWindow(GetDlgItem(page, kConfigFolderBox), FALSE);
  CheckDlgButton(page, kSeparateConfigFolder, BST_UNCHECKED);
}

// A missing folder is made only when the user agrees, and not after a
// Cancel pressed while the question was up (the wizard has ended then);
// false keeps the user on the page.
bool EnsureFolder(const char* folder, const char* question) {
  if (PathExists(folder)) return true;
  if (outside.messageBox(NULL, question, kCaption, MB_YESNO) != IDYES ||
      nextState == kCancelledWhileAsking) {
    return false;
  }
  if (CreateFolderPath(folder)) return true;
  outside.messageBox(NULL, "Cannot create folder", kCaption, MB_OK);
  return false;
}

BOOL OnNext(HWND page) {
  bool separateConfig = IsDlgButtonChecked(page, kSeparateConfigFolder) == BST_CHECKED;
  // Both lengths are checked before any folder is made, so that a refused
  // configuration folder leaves no new install folder behind.
  char configFolder[MAX_PATH] = "";
  if (!ReadFolderBox(page, kInstallFolderBox, setupState.installFolder, kLongestInstallName)) {
    outside.messageBox(NULL,
                       "The Main Folder name is too long.\rPlease choose a folder with a shorter "
                       "path.",
                       kCaption, MB_OK);
    return SetPageResult(page, kStayOnPage);
  }
  if (separateConfig && !ReadFolderBox(page, kConfigFolderBox, configFolder, kLongestConfigName)) {
    outside.messageBox(NULL,
                       "The Configuration folder name is too long.\rPlease choose a folder with a "
                       "shorter path.",
                       kCaption, MB_OK);
    return SetPageResult(page, kStayOnPage);
  }

  if (!EnsureFolder(setupState.installFolder, "Main Folder does not exist.  Create it?")) {
    return SetPageResult(page, kStayOnPage);
  }
  CopyText(setupState.configFolder, configFolder);  // fits: both are MAX_PATH
  if (separateConfig &&
      !EnsureFolder(setupState.configFolder, "Configuration folder does not exist.  Create it?")) {
    return SetPageResult(page, kStayOnPage);
  }

  nextState = kInstalling;
  HWND sheet = GetParent(page);
  ShowWindow(sheet, SW_HIDE);
  bool installed = ExtractPayload("qbar47.dat") && ReplaceLockedModules();
  if (!installed) {
    // The installation has told the user why; the wizard ends, and staying on
    // the page keeps the shortcuts page (which marks the installation as
    // completed) from ever becoming active.
    PostQuitMessage(0);
  }
  ShowWindow(sheet, SW_SHOW);
  return SetPageResult(page, installed ? kShortcutsPage : kStayOnPage);
}

// The questions and the installation's boxes have no owner window, so the
// sheet behind them can still be clicked: a Next pressed while one is up
// would ask again and could run a second installation over the first. While
// Next is being handled, another Next only keeps the user on the page.
BOOL OnNextOnce(HWND page) {
  if (nextState != kNotHandlingNext) return SetPageResult(page, kStayOnPage);
  nextState = kAsking;
  BOOL handled = OnNext(page);
  nextState = kNotHandlingNext;
  return handled;
}

// Cancel pressed while a question is up ends the wizard as it would on the
// page itself, and nothing is installed; once the installation has begun,
// Cancel is refused, so that the wizard ends only with the installation's
// own outcome and never with files installed and nothing registered.
BOOL OnQueryCancel(HWND page) {
  return SetPageResult(page, nextState == kInstalling);
}

BOOL OnCommand(HWND page, int control) {
  char chosen[MAX_PATH];
  switch (control) {
    case kBrowseInstallFolder:
      if (BrowseForFolder(chosen)) SetDlgItemTextA(page, kInstallFolderBox, chosen);
      return TRUE;
    case kBrowseConfigFolder:
      if (BrowseForFolder(chosen)) SetDlgItemTextA(page, kConfigFolderBox, chosen);
      ApplyEnablingRule(page);
      return TRUE;
    case kSeparateConfigFolder:
      ApplyEnablingRule(page);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      return OnCommand(page, LOWORD(wParam));
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
          OnSetActive(page);
          return TRUE;
        case PSN_KILLACTIVE:
          // A text too long to keep whole leaves the saved folder as it was;
          // Next refuses such a folder with a message.
          ReadFolderBox(page, kInstallFolderBox, setupState.installFolder, "");
          return SetPageResult(page, kGoOn);
        case PSN_WIZNEXT:
          return OnNextOnce(page);
        case PSN_WIZBACK:
          return SetPageResult(page, kLicencePage);
        case PSN_QUERYCANCEL:
          return OnQueryCancel(page);
        case PSN_RESET:
          if (nextState == kAsking) nextState = kCancelledWhileAsking;
          return SetPageResult(page, 0);
      }
      return FALSE;
  }
  return FALSE;
}

int CreateFolderPath(const char* path) {
  char levels[MAX_PATH];
  if (!CopyText(levels, path)) return 0;  // a path that does not fit is no path to make
  DropTrailingBackslash(levels);
  return MakeFolderPath(levels, NULL) ? 1 : 0;
}

BOOL BrowseForFolder(char* buffer) {
  buffer[0] = '\0';
  BROWSEINFOA info = {};
  info.hwndOwner = NULL;
  info.pidlRoot = NULL;
  info.pszDisplayName = buffer;
  info.lpszTitle = "Select folder";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;  // 0x51
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (!chosen) {
    // The picker writes the selected item's name as the selection moves,
    // also when the user then cancels.
    buffer[0] = '\0';
    return FALSE;
  }
  // The display name is only the last level; the full path replaces it. A
  // choice without a file-system path counts as none, so that the box the
  // user typed in keeps its text.
  if (!SHGetPathFromIDListA(chosen, buffer)) buffer[0] = '\0';
  IMalloc* allocator = NULL;
  if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
    allocator->Free(chosen);
    allocator->Release();
  }
  return buffer[0] ? TRUE : FALSE;
}

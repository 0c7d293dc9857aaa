// The self-extractor: a small window that unpacks the zip archive appended to
// this program's own file into the folder typed in it. The installer drives
// it through its window titles, the folder field and the start button, so
// those stay fixed; the unpacking itself runs on a second thread so that the
// window keeps answering, and shows its progress, while a large product is
// written. Its windows are Unicode and the folder stays UTF-16 from the field
// to the file calls: the installer's ANSI text is converted once, by the
// system, on its way in.
#include <windows.h>

#include <commctrl.h>
#include <string.h>

#include "common/safe_dll_search.h"
#include "common/text.h"
#include "tools/sfx/failure_text.h"
#include "tools/sfx/sfx_ids.h"
#include "tools/sfx/unpack.h"

namespace {

const UINT kUnpackFinished = WM_APP + 1;
// The window shows the unpack's progress this often: often enough to be
// seen moving, seldom enough to cost the unpack nothing.
const UINT_PTR kProgressTimer = 1;
const UINT kProgressEveryMs = 100;
const wchar_t kTitlePrefix[] = L"WinZip Self-Extractor - ";
const wchar_t kErrorCaption[] = L"Self-Extractor Error";

// What the unpacking thread last reported, for the window's thread to show.
struct Shown {
  CRITICAL_SECTION lock;
  ULONGLONG done;
  ULONGLONG total;
  wchar_t status[kZipMaxName + 80];
};

struct Extractor {
  HWND window;
  wchar_t ownPath[MAX_PATH];
  wchar_t folder[MAX_PATH];
  // The program's own file, opened once at start and pinned, sharing reading
  // only, until the program ends: no rename or replacement of the file
  // while it runs can change what it unpacks.
  MappedFile archive;
  DWORD archiveError;  // why it could not be opened, or 0
  HANDLE worker;
  volatile LONG cancel;
  UnpackOutcome outcome;
  Shown shown;
};

Extractor extractor;

// Runs on the unpacking thread, which never waits for the window's: the
// window's thread may itself be waiting for it to end.
void OnProgress(void*, const UnpackProgress& progress) {
  Shown& shown = extractor.shown;
  EnterCriticalSection(&shown.lock);
  shown.done = progress.done;
  shown.total = progress.total;
  shown.status[0] = L'\0';
  if (progress.name) {
    size_t size = sizeof shown.status / sizeof shown.status[0];
    AppendText(shown.status, size, progress.waiting ? L"Waiting for " : L"Unzipping ");
    AppendAsciiText(shown.status, size, progress.name);
    AppendText(shown.status, size,
               progress.waiting ? L", which another program is reading..." : L"...");
  } else if (progress.waiting) {
    CopyText(shown.status, L"Waiting for a file that another program is reading...");
  }
  LeaveCriticalSection(&shown.lock);
}

// On the window's thread, from its timer: what changed since the last time.
// The bar counts in units of 2^shift bytes, so that its range fits an int.
void ShowProgress(HWND window) {
  Shown& shown = extractor.shown;
  wchar_t status[sizeof shown.status / sizeof shown.status[0]];
  EnterCriticalSection(&shown.lock);
  ULONGLONG done = shown.done, total = shown.total;
  CopyText(status, shown.status);
  LeaveCriticalSection(&shown.lock);
  int shift = 0;
  while ((total >> shift) > 0x7FFFFFFF) ++shift;
  HWND bar = GetDlgItem(window, IDC_SFX_PROGRESS);
  LPARAM range = static_cast<LPARAM>(total >> shift);
  if (SendMessageW(bar, PBM_GETRANGE, FALSE, 0) != range) {
    SendMessageW(bar, PBM_SETRANGE32, 0, range);
  }
  WPARAM position = static_cast<WPARAM>(done >> shift);
  if (static_cast<WPARAM>(SendMessageW(bar, PBM_GETPOS, 0, 0)) != position) {
    SendMessageW(bar, PBM_SETPOS, position, 0);
  }
  wchar_t was[sizeof status / sizeof status[0]];
  GetDlgItemTextW(window, IDC_SFX_STATUS, was, sizeof was / sizeof was[0]);
  if (status[0] && lstrcmpW(status, was) != 0) SetDlgItemTextW(window, IDC_SFX_STATUS, status);
}

DWORD WINAPI Unpack(void*) {
  UnpackObserver observer = {&extractor.cancel, nullptr, OnProgress, nullptr};
  if (extractor.archiveError) {
    memset(&extractor.outcome, 0, sizeof extractor.outcome);
    extractor.outcome.result = kUnpackNoArchive;
    extractor.outcome.error = extractor.archiveError;
  } else {
    UnpackMapped(extractor.archive, extractor.folder, &observer, &extractor.outcome);
  }
  PostMessageW(extractor.window, kUnpackFinished, 0, 0);
  return 0;
}

void SetBusy(HWND window, bool busy) {
  EnableWindow(GetDlgItem(window, IDOK), !busy);
  EnableWindow(GetDlgItem(window, IDC_SFX_FOLDER), !busy);
  SetDlgItemTextW(window, IDC_SFX_STATUS, busy ? L"Unzipping..." : L"");
  if (busy) {
    SendDlgItemMessageW(window, IDC_SFX_PROGRESS, PBM_SETPOS, 0, 0);
    SetTimer(window, kProgressTimer, kProgressEveryMs, nullptr);
  } else {
    KillTimer(window, kProgressTimer);
  }
}

void StartUnpacking(HWND window) {
  if (extractor.worker) return;
  // The field holds at most MAX_PATH - 1 characters; a longer text is cut by
  // the control, and then refused below as not fitting.
  wchar_t text[MAX_PATH + 1];
  text[0] = L'\0';
  GetDlgItemTextW(window, IDC_SFX_FOLDER, text, MAX_PATH + 1);
  if (!CopyText(extractor.folder, text) || !text[0]) {
    MessageBoxW(window, L"Please type the folder to unzip to.", kErrorCaption,
                MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  extractor.cancel = 0;
  DWORD id;
  extractor.worker = CreateThread(nullptr, 0, Unpack, nullptr, 0, &id);
  if (!extractor.worker) {
    MessageBoxW(window, L"The unzipping could not be started.", kErrorCaption,
                MB_OK | MB_ICONERROR);
    return;
  }
  // The window's redrawing takes a few milliseconds that the unpack does not
  // wait for; its end is handled only once this returns.
  SetBusy(window, true);
}

void FinishWorker() {
  WaitForSingleObject(extractor.worker, INFINITE);
  CloseHandle(extractor.worker);
  extractor.worker = nullptr;
}

INT_PTR CALLBACK DoneProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextW(box, IDC_SFX_DONE_TEXT, reinterpret_cast<const wchar_t*>(lParam));
      return TRUE;
    case WM_COMMAND:
      // Sent IDCANCEL closes the box even while the installer holds it disabled.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(box, LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      EndDialog(box, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

void ReportOutcome(HWND window) {
  FinishWorker();
  SetBusy(window, false);
  // Room for the sentence, a full folder path and an entry name.
  wchar_t text[1024];
  if (extractor.outcome.result != kUnpackDone) {
    // All or nothing: a failure never shows the completion box.
    DescribeFailure(extractor.outcome, text, sizeof text / sizeof text[0]);
    SetDlgItemTextW(window, IDC_SFX_STATUS, L"Failed.");
    MessageBoxW(window, text, kErrorCaption, MB_OK | MB_ICONERROR);
    // Nothing is left to do once the user has read why: the program ends,
    // which tells the installer that started it at once.
    DestroyWindow(window);
    return;
  }
  text[0] = L'\0';
  AppendDecimal(text, extractor.outcome.files);
  AppendText(text, L" file(s) unzipped successfully.");
  SetDlgItemTextW(window, IDC_SFX_STATUS, text);
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SFX_DONE), window, DoneProc,
                  reinterpret_cast<LPARAM>(text));
}

INT_PTR CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessageW(window, IDC_SFX_FOLDER, EM_LIMITTEXT, MAX_PATH - 1, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) StartUnpacking(window);
      if (LOWORD(wParam) == IDCANCEL) SendMessageW(window, WM_CLOSE, 0, 0);
      return TRUE;
    case WM_TIMER:
      if (wParam == kProgressTimer) ShowProgress(window);
      return TRUE;
    case kUnpackFinished:
      ShowProgress(window);
      ReportOutcome(window);
      return TRUE;
    case WM_CLOSE:
      if (extractor.worker) {
        // Stopping leaves no scratch file behind and no partial file.
        InterlockedExchange(&extractor.cancel, 1);
        FinishWorker();
      }
      DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}

// Common Controls 6, for the progress bar, from the side-by-side store that
// the manifest names. Loaded here, not imported: as it loads it brings in the
// theme library by bare name, and an import would load both before the DLL
// search is restricted to the system folder, so that a uxtheme.dll beside
// the program in a download folder would run in it.
bool RegisterProgressBar() {
  typedef BOOL(WINAPI * InitFunction)(const INITCOMMONCONTROLSEX*);
  HMODULE commonControls = LoadLibraryW(L"comctl32.dll");
  InitFunction init = commonControls ? reinterpret_cast<InitFunction>(reinterpret_cast<void (*)()>(
                                           GetProcAddress(commonControls, "InitCommonControlsEx")))
                                     : nullptr;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  return init && init(&controls);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  RestrictDllSearchToSystem(false);
  DWORD length = GetModuleFileNameW(nullptr, extractor.ownPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    MessageBoxW(nullptr, L"This program cannot find its own file.", kErrorCaption,
                MB_OK | MB_ICONERROR);
    return 1;
  }
  const wchar_t* name = extractor.ownPath + length;
  while (name > extractor.ownPath && name[-1] != L'\\') --name;
  wchar_t title[MAX_PATH + sizeof kTitlePrefix];
  CopyText(title, kTitlePrefix);
  AppendText(title, name);
  if (!MapFile(extractor.ownPath, &extractor.archive)) {
    extractor.archiveError = GetLastError() ? GetLastError() : ERROR_INVALID_DATA;
  }
  InitializeCriticalSection(&extractor.shown.lock);
  if (!RegisterProgressBar()) {
    MessageBoxW(nullptr, L"The common controls cannot be loaded.", kErrorCaption,
                MB_OK | MB_ICONERROR);
    return 1;
  }

  extractor.window =
      CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_SFX_MAIN), nullptr, MainProc, 0);
  if (!extractor.window) return 1;
  SetWindowTextW(extractor.window, title);
  ShowWindow(extractor.window, show);

  // The installer's WinExec waits for this loop's first idle moment.
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(extractor.window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return 0;
}

// The self-extractor: a small window that unpacks the zip archive appended to
// this program's own file into the folder typed in it. The installer drives
// it through its window titles, the folder field and the start button, so
// those stay fixed; the unpacking itself runs on a second thread so that the
// window keeps answering while a large product is written.
#include <windows.h>

#include <string.h>

#include "common/safe_dll_search.h"
#include "common/text.h"
#include "tools/sfx/sfx_ids.h"
#include "tools/sfx/unpack.h"

namespace {

const UINT kUnpackFinished = WM_APP + 1;
const char kTitlePrefix[] = "WinZip Self-Extractor - ";
const char kErrorCaption[] = "Self-Extractor Error";

struct Extractor {
  HWND window;
  char ownPath[MAX_PATH];
  char folder[MAX_PATH];
  HANDLE worker;
  volatile LONG cancel;
  UnpackOutcome outcome;
};

Extractor extractor;

DWORD WINAPI Unpack(void*) {
  UnpackFile(extractor.ownPath, extractor.folder, &extractor.cancel, &extractor.outcome);
  PostMessageA(extractor.window, kUnpackFinished, 0, 0);
  return 0;
}

void SetBusy(HWND window, bool busy) {
  EnableWindow(GetDlgItem(window, IDOK), !busy);
  EnableWindow(GetDlgItem(window, IDC_SFX_FOLDER), !busy);
  SetDlgItemTextA(window, IDC_SFX_STATUS, busy ? "Unzipping..." : "");
}

void StartUnpacking(HWND window) {
  if (extractor.worker) return;
  // The field holds at most MAX_PATH - 1 characters; a longer text is cut by
  // the control, and then refused below as not fitting.
  char text[MAX_PATH + 1];
  text[0] = '\0';
  GetDlgItemTextA(window, IDC_SFX_FOLDER, text, sizeof text);
  if (strlen(text) >= MAX_PATH || !CopyText(extractor.folder, text) || !text[0]) {
    MessageBoxA(window, "Please type the folder to unzip to.", kErrorCaption,
                MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  extractor.cancel = 0;
  SetBusy(window, true);
  DWORD id;
  extractor.worker = CreateThread(nullptr, 0, Unpack, nullptr, 0, &id);
  if (!extractor.worker) {
    SetBusy(window, false);
    MessageBoxA(window, "The unzipping could not be started.", kErrorCaption, MB_OK | MB_ICONERROR);
  }
}

void FinishWorker() {
  WaitForSingleObject(extractor.worker, INFINITE);
  CloseHandle(extractor.worker);
  extractor.worker = nullptr;
}

INT_PTR CALLBACK DoneProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(box, IDC_SFX_DONE_TEXT, reinterpret_cast<const char*>(lParam));
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
  char text[1024];
  if (extractor.outcome.step != kUnpackDone) {
    // All or nothing: a failure never shows the completion box.
    DescribeFailure(extractor.outcome, text, sizeof text);
    SetDlgItemTextA(window, IDC_SFX_STATUS, "Failed: nothing was changed.");
    MessageBoxA(window, text, kErrorCaption, MB_OK | MB_ICONERROR);
    return;
  }
  text[0] = '\0';
  AppendDecimal(text, extractor.outcome.files);
  AppendText(text, " file(s) unzipped successfully.");
  SetDlgItemTextA(window, IDC_SFX_STATUS, text);
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SFX_DONE), window, DoneProc,
                  reinterpret_cast<LPARAM>(text));
}

INT_PTR CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessageA(window, IDC_SFX_FOLDER, EM_LIMITTEXT, MAX_PATH - 1, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) StartUnpacking(window);
      if (LOWORD(wParam) == IDCANCEL) SendMessageA(window, WM_CLOSE, 0, 0);
      return TRUE;
    case kUnpackFinished:
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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  RestrictDllSearchToSystem();
  DWORD length = GetModuleFileNameA(nullptr, extractor.ownPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    MessageBoxA(nullptr, "This program cannot find its own file.", kErrorCaption,
                MB_OK | MB_ICONERROR);
    return 1;
  }
  const char* name = strrchr(extractor.ownPath, '\\');
  name = name ? name + 1 : extractor.ownPath;
  char title[MAX_PATH + sizeof kTitlePrefix];
  CopyText(title, kTitlePrefix);
  AppendText(title, name);

  extractor.window =
      CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_SFX_MAIN), nullptr, MainProc, 0);
  if (!extractor.window) return 1;
  SetWindowTextA(extractor.window, title);
  ShowWindow(extractor.window, show);

  // The installer's WinExec waits for this loop's first idle moment.
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(extractor.window, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return 0;
}

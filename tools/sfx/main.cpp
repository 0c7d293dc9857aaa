// The self-extractor: a small window that unpacks the zip archive appended to
// this program's own file into the folder typed in it. The installer drives
// it through its window titles, the folder field and the start button, so
// those stay fixed; the unpacking itself runs on a second thread so that the
// window keeps answering while a large product is written. Its windows are
// Unicode and the folder stays UTF-16 from the field to the file calls: the
// installer's ANSI text is converted once, by the system, on its way in.
#include <windows.h>

#include "common/safe_dll_search.h"
#include "common/text.h"
#include "tools/sfx/sfx_ids.h"
#include "tools/sfx/unpack.h"

namespace {

const UINT kUnpackFinished = WM_APP + 1;
const wchar_t kTitlePrefix[] = L"WinZip Self-Extractor - ";
const wchar_t kErrorCaption[] = L"Self-Extractor Error";

struct Extractor {
  HWND window;
  wchar_t ownPath[MAX_PATH];
  wchar_t folder[MAX_PATH];
  HANDLE worker;
  volatile LONG cancel;
  UnpackOutcome outcome;
};

Extractor extractor;

DWORD WINAPI Unpack(void*) {
  UnpackFile(extractor.ownPath, extractor.folder, &extractor.cancel, &extractor.outcome);
  PostMessageW(extractor.window, kUnpackFinished, 0, 0);
  return 0;
}

void SetBusy(HWND window, bool busy) {
  EnableWindow(GetDlgItem(window, IDOK), !busy);
  EnableWindow(GetDlgItem(window, IDC_SFX_FOLDER), !busy);
  SetDlgItemTextW(window, IDC_SFX_STATUS, busy ? L"Unzipping..." : L"");
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
  SetBusy(window, true);
  DWORD id;
  extractor.worker = CreateThread(nullptr, 0, Unpack, nullptr, 0, &id);
  if (!extractor.worker) {
    SetBusy(window, false);
    MessageBoxW(window, L"The unzipping could not be started.", kErrorCaption,
                MB_OK | MB_ICONERROR);
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
  if (extractor.outcome.step != kUnpackDone) {
    // All or nothing: a failure never shows the completion box.
    DescribeFailure(extractor.outcome, text, sizeof text / sizeof text[0]);
    SetDlgItemTextW(window, IDC_SFX_STATUS, L"Failed.");
    MessageBoxW(window, text, kErrorCaption, MB_OK | MB_ICONERROR);
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

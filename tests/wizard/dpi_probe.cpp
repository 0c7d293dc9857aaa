// Makes the wizard's three page templates and the self-extractor's two
// windows at the DPI this process starts with (Wine reads LogPixels when a
// process starts) and checks, in each control's own font, that every static
// text, button and check box label fits its control, and that the licence
// list, filled as the licence page fills it, scrolls as far as its widest
// line. Run by the DPI test once per DPI, after it has set LogPixels.
//
//   dpi_probe.exe <expected DPI> <self-extractor>
//
// Prints one line per label that does not fit. Exit code: 0 when all fit, 1
// when one does not, 2 when the DPI is not the one expected or a window
// cannot be made.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "wizard/licence_page.h"

namespace {

int checkedLabels = 0;
int tooSmall = 0;
const wchar_t* windowName = L"";

INT_PTR CALLBACK Quiet(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

// As setup.exe and the self-extractor declare in their manifests (test
// programs carry none): per monitor where the system knows it, else
// system-wide.
void BecomeDpiAware() {
  // Looked up: this probe is built for Vista's API, as the setup code it
  // links. -4 is DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2.
  typedef BOOL(WINAPI * SetContextFunction)(HANDLE);
  SetContextFunction setContext = reinterpret_cast<SetContextFunction>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
  if (!setContext || !setContext(reinterpret_cast<HANDLE>(-4))) SetProcessDPIAware();
}

// The room a label has beside what its control draws around it: the check
// box's box and the gap after it, a group box's corners, a push button's
// edges (the templates hold no other kind of button).
RECT RoomForText(HWND control, bool isButton, int dpi, const TEXTMETRICW& font) {
  RECT room;
  GetClientRect(control, &room);
  if (!isButton) return room;
  switch (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX:
      room.left += MulDiv(13, dpi, 96) + font.tmAveCharWidth / 2;
      break;
    case BS_GROUPBOX:
      room.left += font.tmAveCharWidth;
      room.right -= font.tmAveCharWidth;
      room.bottom = room.top + font.tmHeight;
      break;
    default:
      InflateRect(&room, -2 * GetSystemMetrics(SM_CXEDGE), -2 * GetSystemMetrics(SM_CYEDGE));
      break;
  }
  return room;
}

BOOL CALLBACK CheckLabel(HWND control, LPARAM dpi) {
  wchar_t className[32] = L"";
  GetClassNameW(control, className, 32);
  bool isStatic = lstrcmpiW(className, L"Static") == 0;
  bool isButton = lstrcmpiW(className, L"Button") == 0;
  wchar_t text[512] = L"";
  GetWindowTextW(control, text, 512);
  if ((!isStatic && !isButton) || !text[0]) return TRUE;

  HDC dc = GetDC(control);
  HGDIOBJ oldFont =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  TEXTMETRICW font;
  GetTextMetricsW(dc, &font);
  RECT room = RoomForText(control, isButton, static_cast<int>(dpi), font);
  // Statics wrap their text; button labels stay on one line.
  UINT format = DT_CALCRECT | (isStatic ? DT_WORDBREAK | DT_EXPANDTABS : DT_SINGLELINE);
  RECT needed = {0, 0, room.right - room.left, 0};
  DrawTextW(dc, text, -1, &needed, format);
  SelectObject(dc, oldFont);
  ReleaseDC(control, dc);

  ++checkedLabels;
  int width = room.right - room.left, height = room.bottom - room.top;
  if (needed.right > width || needed.bottom > height) {
    ++tooSmall;
    wprintf(L"%ls, control %d \"%ls\": needs %ldx%ld pixels, has %dx%d\n", windowName,
            GetDlgCtrlID(control), text, needed.right, needed.bottom, width, height);
  }
  return TRUE;
}

// Each row as the list holds it, measured in the list's own font, against
// the extent the list scrolls to; a row wider than the list must bring the
// horizontal scroll bar.
void CheckLicenceExtent(HWND page) {
  const int kList = 1008;
  FillLicenseList(page, kList);
  HWND list = GetDlgItem(page, kList);
  HDC dc = GetDC(list);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  LRESULT rows = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT row = 0; row < rows; ++row) {
    wchar_t text[512] = L"";
    if (SendMessageW(list, LB_GETTEXTLEN, row, 0) >= 512) continue;
    SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
    RECT needed = {0, 0, 0, 0};
    DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    if (needed.right > widest) widest = needed.right;
  }
  SelectObject(dc, oldFont);
  ReleaseDC(list, dc);
  ++checkedLabels;
  LRESULT extent = SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
  RECT client;
  GetClientRect(list, &client);
  SCROLLBARINFO bar = {};
  bar.cbSize = sizeof bar;
  GetScrollBarInfo(list, OBJID_HSCROLL, &bar);
  bool barShown = !(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  if (extent < widest || (widest > client.right && !barShown)) {
    ++tooSmall;
    wprintf(L"licence list: %ld rows, widest %ld pixels, scrolls to %ld of %ld, scroll bar %ls\n",
            static_cast<long>(rows), widest, static_cast<long>(extent), client.right,
            barShown ? L"shown" : L"hidden");
  }
}

bool CheckWindow(HINSTANCE module, int templateId, const wchar_t* name, int dpi,
                 void (*checkMore)(HWND window) = nullptr) {
  windowName = name;
  HWND window = CreateDialogParamW(module, MAKEINTRESOURCEW(templateId), NULL, Quiet, 0);
  if (!window) {
    wprintf(L"%ls: cannot be made, error %lu\n", name, GetLastError());
    return false;
  }
  EnumChildWindows(window, CheckLabel, dpi);
  if (checkMore) checkMore(window);
  DestroyWindow(window);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    fwprintf(stderr, L"usage: dpi_probe <expected DPI> <self-extractor>\n");
    return 2;
  }
  int expected = _wtoi(argv[1]);
  BecomeDpiAware();
  HDC screen = GetDC(NULL);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(NULL, screen);
  if (dpi != expected) {
    wprintf(L"the screen is at %d DPI, not %d\n", dpi, expected);
    return 2;
  }
  HINSTANCE self = GetModuleHandleW(NULL);
  HINSTANCE extractor = LoadLibraryExW(argv[2], NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (!extractor) {
    wprintf(L"cannot read %ls, error %lu\n", argv[2], GetLastError());
    return 2;
  }
  bool made = CheckWindow(self, 101, L"licence page", dpi, CheckLicenceExtent) &&
              CheckWindow(self, 103, L"folder page", dpi) &&
              CheckWindow(self, 104, L"shortcuts page", dpi) &&
              CheckWindow(extractor, 100, L"extractor window", dpi) &&
              CheckWindow(extractor, 101, L"extractor completion box", dpi);
  FreeLibrary(extractor);
  if (!made) return 2;
  wprintf(L"%d labels checked at %d DPI, %d too small\n", checkedLabels, dpi, tooSmall);
  return tooSmall ? 1 : 0;
}

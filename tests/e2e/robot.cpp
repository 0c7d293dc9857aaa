// The GUI robot: starts the real setup.exe and works it as a person would,
// following a scenario file, one step per line:
//
//   start '<program>' ['<arguments>']   start the program under test (a second
//                                       start watches a second copy as well)
//   start-reg <HKLM|HKCU> "<key>" "<value>"  start the command line a registry value holds
//   spawn "<command line>"              start a helper program (not watched)
//   cd '<folder>'                       the current folder of what is started next
//   expect-page "<caption>"             the wizard shows the page with that caption
//   expect-box "<caption>" "<text>" [buttons=OK,Cancel] [topmost|not-topmost] press <button>
//   allow-box "<caption>"               boxes with that caption are logged, not failed on
//   check-licence-centred-22-rows       the licence list and the centred sheet
//   press Next|Back|Cancel|Finish       a wizard button, once a person could press it
//   type <control-id> "<text>"          replace the text of a control on the current page
//   keys <control-id> "<text>"          click into an edit box, select its text and type
//                                       over it on the keyboard, one UTF-16 unit a key
//   click <control-id>                  click a button on the current page
//   check <control-id> on|off           click a check box until it shows that state
//   expect-checked <control-id> on|off  a check box's state, untouched
//   expect-enabled <control-id> on|off
//   expect-text <control-id> "<text>"
//   expect-long-path '<path>' '<long>'  the path (short or long) names the file <long>
//   expect-window <class>               a top-level window of that class appears
//   expect-no-window <class>
//   close-window <class>                post WM_CLOSE and wait until it is gone
//   shot <name>                         screenshot of the whole screen, <name>.bmp
//   mark <label>                        a time stamp in the log
//   expect-exit <code>                  the program under test last started ends
//                                       with that code
//
// Texts are double-quoted with \r, \n, \" and \\ escapes (any other backslash is
// itself), or single-quoted and taken literally (paths: 'C:\e2e\readme.txt'). A message box that
// the scenario does not expect fails the run. Every box, page and step goes to
// the log with the milliseconds since the robot started.
//
// robot.exe <scenario> <log> [<shot folder>]   (with a shot folder, every page
// and box is also photographed when it is first seen)
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>

#include <set>
#include <string>
#include <vector>

namespace {

const int kWizardBack = 0x3023;
const int kWizardNext = 0x3024;
const int kWizardFinish = 0x3025;
// QB_WAIT_SCALE=<n> stretches the waits n times, for Wine under emulation.
DWORD WaitScale() {
  wchar_t text[16] = L"";
  GetEnvironmentVariableW(L"QB_WAIT_SCALE", text, 16);
  DWORD scale = (DWORD)_wtoi(text);
  return scale ? scale : 1;
}
const DWORD kStepTimeoutMs = 30000 * WaitScale();
const DWORD kExitTimeoutMs = 90000 * WaitScale();
const DWORD kPollMs = 10;
// A message box's text is the Static control with this id.
const int kBoxTextId = 0xFFFF;

FILE* logFile = nullptr;
LARGE_INTEGER clockStart, clockFrequency;
std::wstring shotFolder;
int shotNumber = 0;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &out[0], size, NULL, NULL);
  return out;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), (int)text.size(), NULL, 0);
  std::wstring out(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), (int)text.size(), &out[0], size);
  return out;
}

// Quoted, with the escapes the scenario files use, so a log line can be
// compared with a scenario line.
std::string Quote(const std::wstring& text) {
  std::string out = "\"";
  for (char c : Utf8(text)) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '"')
      out += "\\\"";
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out + "\"";
}

long long Elapsed() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return (now.QuadPart - clockStart.QuadPart) * 1000 / clockFrequency.QuadPart;
}

void Log(const std::string& line) {
  fprintf(logFile, "[%7lld ms] %s\n", Elapsed(), line.c_str());
  fflush(logFile);
}

struct Failure {
  std::string reason;
};

[[noreturn]] void Fail(const std::string& reason) {
  throw Failure{reason};
}

// The window's text; answered is false when the window did not answer.
std::wstring WindowText(HWND window, bool* answered = nullptr) {
  wchar_t buffer[4096];
  // Sent with a time limit: a hung program must not hang the robot.
  DWORD_PTR length = 0;
  bool sent = SendMessageTimeoutW(window, WM_GETTEXT, 4096, (LPARAM)buffer, SMTO_ABORTIFHUNG, 2000,
                                  &length) != 0;
  if (answered) *answered = sent;
  if (!sent) return std::wstring();
  buffer[length < 4095 ? length : 4095] = L'\0';
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256];
  if (!GetClassNameW(window, name, 256)) return std::wstring();
  return name;
}

// ---------------------------------------------------------------------------
// What is on the screen.

struct Screen {
  std::vector<HWND> boxes;  // visible message boxes
  HWND sheet = NULL;        // the visible wizard
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
  auto* screen = reinterpret_cast<Screen*>(context);
  if (!IsWindowVisible(window) || ClassOf(window) != L"#32770") return TRUE;
  if (GetDlgItem(window, kWizardNext)) {
    screen->sheet = window;
  } else {
    HWND text = GetDlgItem(window, kBoxTextId);
    if (text && ClassOf(text) == L"Static") screen->boxes.push_back(window);
  }
  return TRUE;
}

Screen Look() {
  Screen screen;
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&screen));
  return screen;
}

// ---------------------------------------------------------------------------
// Screenshots: the whole screen into a 24-bit BMP.

void Shoot(const std::string& name) {
  if (shotFolder.empty()) return;
  HDC screenDc = GetDC(NULL);
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC memoryDc = CreateCompatibleDC(screenDc);
  HBITMAP bitmap = CreateDIBSection(screenDc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
  HGDIOBJ old = SelectObject(memoryDc, bitmap);
  BitBlt(memoryDc, 0, 0, width, height, screenDc, 0, 0, SRCCOPY);
  SelectObject(memoryDc, old);
  DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
  DWORD imageSize = stride * (DWORD)height;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + imageSize;
  wchar_t fileName[MAX_PATH];
  _snwprintf(fileName, MAX_PATH, L"%ls\\%02d-%ls.bmp", shotFolder.c_str(), ++shotNumber,
             Wide(name).c_str());
  fileName[MAX_PATH - 1] = L'\0';
  FILE* out = _wfopen(fileName, L"wb");
  if (out) {
    fwrite(&file, sizeof(file), 1, out);
    fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out);
    fwrite(bits, 1, imageSize, out);
    fclose(out);
    Log("shot " + Utf8(fileName));
  } else {
    Log("shot failed: " + Utf8(fileName));
  }
  DeleteObject(bitmap);
  DeleteDC(memoryDc);
  ReleaseDC(NULL, screenDc);
}

// Lets the window's own thread paint before it is photographed.
void Settle(HWND window) {
  DWORD_PTR ignored;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  Sleep(60);
}

std::string FileSafe(const std::wstring& text) {
  std::string out;
  for (char c : Utf8(text)) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    out += plain ? c : '-';
  }
  return out.substr(0, 40);
}

// ---------------------------------------------------------------------------
// The robot's state across steps.

// The programs under test, the last started last.
std::vector<PROCESS_INFORMATION> targets;
std::set<std::wstring> allowedCaptions;
std::set<HWND> boxesSeen;  // logged already; a box is logged once
HWND lastSheet = NULL;
std::wstring lastSheetCaption;

struct Box {
  HWND window;
  std::wstring caption, text;
  std::vector<std::wstring> buttons;
  bool topmost;
};

Box Describe(HWND window) {
  Box box{window, WindowText(window), WindowText(GetDlgItem(window, kBoxTextId)), {}, false};
  struct Named {
    int id;
    const wchar_t* name;
  };
  static const Named kButtons[] = {{IDOK, L"OK"},       {IDCANCEL, L"Cancel"}, {IDABORT, L"Abort"},
                                   {IDRETRY, L"Retry"}, {IDIGNORE, L"Ignore"}, {IDYES, L"Yes"},
                                   {IDNO, L"No"}};
  for (const Named& button : kButtons) {
    HWND control = GetDlgItem(window, button.id);
    if (control && IsWindowVisible(control)) box.buttons.push_back(button.name);
  }
  box.topmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  return box;
}

std::wstring ButtonList(const Box& box) {
  std::wstring list;
  for (const std::wstring& name : box.buttons) list += (list.empty() ? L"" : L",") + name;
  return list;
}

// Logs boxes and page changes not seen before; photographs each once.
// Returns the boxes now on the screen that nobody allowed.
std::vector<Box> Observe(Screen& screen) {
  std::vector<Box> open;
  for (auto it = boxesSeen.begin(); it != boxesSeen.end();)
    it = IsWindow(*it) ? std::next(it) : boxesSeen.erase(it);
  for (HWND window : screen.boxes) {
    // A program that has just come back from a long wait without handling
    // messages counts as hung for a moment: its box is read at the next look.
    bool answered = false;
    WindowText(window, &answered);
    if (!answered) continue;
    Box box = Describe(window);
    if (!boxesSeen.count(window)) {
      boxesSeen.insert(window);
      Log("box " + Quote(box.caption) + " " + Quote(box.text) +
          " buttons=" + Utf8(ButtonList(box)) + (box.topmost ? " topmost" : " not-topmost"));
      if (!shotFolder.empty() && !allowedCaptions.count(box.caption)) {
        Settle(window);
        Shoot("box-" + FileSafe(box.caption));
      }
    }
    if (!allowedCaptions.count(box.caption)) open.push_back(box);
  }
  if (screen.sheet) {
    std::wstring caption = WindowText(screen.sheet);
    // A sheet being taken down has lost its caption: not a page.
    if (!caption.empty() && (screen.sheet != lastSheet || caption != lastSheetCaption)) {
      lastSheet = screen.sheet;
      lastSheetCaption = caption;
      Log("page " + Quote(caption));
      if (!shotFolder.empty()) {
        Settle(screen.sheet);
        Shoot("page-" + FileSafe(caption));
      }
    }
  }
  return open;
}

void FailOnBoxes(const std::vector<Box>& boxes, const std::string& waitingFor) {
  if (!boxes.empty())
    Fail("unexpected box " + Quote(boxes[0].caption) + " " + Quote(boxes[0].text) +
         " while waiting for " + waitingFor);
}

// Polls the screen until `done` says yes; any box on the way fails the run,
// unless boxesWanted (then `done` looks at the boxes itself).
template <typename Done>
void WaitFor(const std::string& what, DWORD timeout, bool boxesWanted, Done done) {
  DWORD start = GetTickCount();
  for (;;) {
    Screen screen = Look();
    std::vector<Box> boxes = Observe(screen);
    if (done(screen, boxes)) return;
    if (!boxesWanted) FailOnBoxes(boxes, what);
    if (GetTickCount() - start > timeout) Fail("timed out waiting for " + what);
    Sleep(kPollMs);
  }
}

HWND CurrentSheet() {
  HWND sheet = NULL;
  WaitFor("the wizard", kStepTimeoutMs, false, [&](Screen& screen, std::vector<Box>&) {
    sheet = screen.sheet;
    return sheet != NULL;
  });
  return sheet;
}

HWND PageControl(int id) {
  HWND sheet = CurrentSheet();
  DWORD_PTR page = 0;
  SendMessageTimeoutW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 2000, &page);
  HWND control = page ? GetDlgItem((HWND)page, id) : NULL;
  if (!control) Fail("no control " + std::to_string(id) + " on the current page");
  return control;
}

// ---------------------------------------------------------------------------
// Scenario parsing.

std::vector<std::wstring> Tokens(const std::string& line) {
  std::vector<std::wstring> tokens;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] == '#') break;
    std::string token;
    if (line[i] == '\'') {
      size_t end = line.find('\'', i + 1);
      if (end == std::string::npos) Fail("unterminated text in: " + line);
      token = line.substr(i + 1, end - i - 1);
      i = end + 1;
    } else if (line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        // Only \r, \n, \" and \\ are escapes, so Windows paths read as written.
        char next = i + 1 < line.size() ? line[i + 1] : '\0';
        if (line[i] == '\\' && (next == 'r' || next == 'n' || next == '"' || next == '\\')) {
          token += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
          ++i;
        } else {
          token += line[i];
        }
      }
      if (i >= line.size()) Fail("unterminated text in: " + line);
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') token += line[i++];
    }
    tokens.push_back(Wide(token));
  }
  return tokens;
}

int ButtonId(const std::wstring& name) {
  if (name == L"OK") return IDOK;
  if (name == L"Cancel") return IDCANCEL;
  if (name == L"Yes") return IDYES;
  if (name == L"No") return IDNO;
  Fail("unknown box button " + Utf8(name));
}

void StartProcess(std::wstring commandLine, bool watched) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
    Fail("cannot start " + Utf8(commandLine) + ", error " + std::to_string(GetLastError()));
  CloseHandle(process.hThread);
  if (!watched) {
    CloseHandle(process.hProcess);
    return;
  }
  targets.push_back(process);
}

std::wstring RegistryText(const std::wstring& root, const std::wstring& key,
                          const std::wstring& value) {
  HKEY rootKey = root == L"HKCU" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  wchar_t data[1024];
  DWORD size = sizeof(data) - sizeof(wchar_t);
  if (RegGetValueW(rootKey, key.c_str(), value.c_str(), RRF_RT_REG_SZ, NULL, data, &size) !=
      ERROR_SUCCESS)
    Fail("no registry value " + Utf8(root + L"\\" + key + L" " + value));
  return data;
}

bool Checked(HWND control) {
  DWORD_PTR state = 0;
  SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
  return state == BST_CHECKED;
}

bool OnOff(const std::wstring& word) {
  if (word == L"on") return true;
  if (word == L"off") return false;
  Fail("expected on or off, not " + Utf8(word));
}

void CheckLicence() {
  HWND sheet = CurrentSheet();
  HWND list = PageControl(1008);
  DWORD_PTR count = 0;
  SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
  if (count != 22) Fail("licence list holds " + std::to_string(count) + " rows, not 22");
  std::vector<std::wstring> rows;
  for (int row = 0; row < 22; ++row) {
    wchar_t text[1024] = L"";
    // Only the W form of LB_GETTEXT crosses processes under Wine.
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list, LB_GETTEXT, row, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &length);
    rows.push_back(text);
    Log("licence row " + std::to_string(row + 1) + " " + Quote(text));
  }
  const std::set<int> blank = {2, 5, 13, 17, 20};
  for (int row = 1; row <= 22; ++row) {
    bool empty = rows[row - 1].empty();
    if (empty != (blank.count(row) != 0))
      Fail("licence row " + std::to_string(row) + (empty ? " is blank" : " is not blank"));
  }
  if (rows[5].find(L"\"as is\"") == std::wstring::npos)
    Fail("licence row 6 lacks \"as is\" in quotation marks");
  if (rows[13].back() != L' ') Fail("licence row 14 does not end with a blank");
  // Unsorted: a sorted list box would have moved the blank rows to the top.
  if (rows[0].empty()) Fail("licence row 1 (the title) is blank");

  RECT rect;
  GetWindowRect(sheet, &rect);
  int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  int width = rect.right - rect.left + 1, height = rect.bottom - rect.top + 1;
  if (width >= screenWidth) width = screenWidth;
  if (height >= screenHeight) height = screenHeight;
  int x = screenWidth / 2 - width / 2, y = screenHeight / 2 - height / 2;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  Log("sheet at " + std::to_string(rect.left) + "," + std::to_string(rect.top) + " size " +
      std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
      ", centred at " + std::to_string(x) + "," + std::to_string(y));
  if (rect.left != x || rect.top != y) Fail("the wizard is not centred on the screen");
}

void PressWizardButton(const std::wstring& name) {
  if (name == L"Cancel") {
    HWND sheet = CurrentSheet();
    PostMessageW(sheet, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 (LPARAM)GetDlgItem(sheet, IDCANCEL));
    return;
  }
  int id = name == L"Next"     ? kWizardNext
           : name == L"Back"   ? kWizardBack
           : name == L"Finish" ? kWizardFinish
                               : 0;
  if (!id) Fail("unknown wizard button " + Utf8(name));
  // The pages set the buttons by posted messages: wait until a person could
  // press it, visible and enabled.
  HWND sheet = NULL, button = NULL;
  WaitFor(Utf8(name) + " to be enabled", kStepTimeoutMs, false,
          [&](Screen& screen, std::vector<Box>&) {
            sheet = screen.sheet;
            button = sheet ? GetDlgItem(sheet, id) : NULL;
            return button && IsWindowVisible(button) && IsWindowEnabled(button);
          });
  PostMessageW(sheet, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
}

// A click of the left button in the middle of a window, through the input
// queue, as a person's: the window's program activates it and takes focus.
void ClickInto(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  INPUT clicks[3] = {};
  for (INPUT& input : clicks) {
    input.type = INPUT_MOUSE;
    input.mi.dx = ((rect.left + rect.right) / 2) * 65535 / (screenWidth - 1);
    input.mi.dy = ((rect.top + rect.bottom) / 2) * 65535 / (screenHeight - 1);
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  }
  clicks[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
  clicks[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
  SendInput(3, clicks, sizeof(INPUT));
}

// Types text into an edit box as a keyboard (or an input method) does: each
// UTF-16 unit is a key of its own (VK_PACKET), so the program under test
// receives the characters themselves, whatever its code page.
void TypeKeys(HWND control, const std::wstring& text) {
  ClickInto(control);
  WaitFor("the keyboard focus in the edit box", kStepTimeoutMs, false,
          [&](Screen&, std::vector<Box>&) {
            GUITHREADINFO info = {};
            info.cbSize = sizeof(info);
            return GetGUIThreadInfo(GetWindowThreadProcessId(control, NULL), &info) &&
                   info.hwndFocus == control;
          });
  DWORD_PTR ignored;
  SendMessageTimeoutW(control, EM_SETSEL, 0, -1, SMTO_ABORTIFHUNG, 2000, &ignored);
  for (wchar_t unit : text) {
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
      key.type = INPUT_KEYBOARD;
      key.ki.wScan = unit;
      key.ki.dwFlags = KEYEVENTF_UNICODE;
    }
    keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
  }
  WaitFor("the typed text in the edit box", kStepTimeoutMs, false,
          [&](Screen&, std::vector<Box>&) { return WindowText(control) == text; });
}

void RunStep(const std::vector<std::wstring>& step) {
  const std::wstring& verb = step[0];
  auto argument = [&](size_t index) -> const std::wstring& {
    if (index >= step.size()) Fail("missing argument for " + Utf8(verb));
    return step[index];
  };
  if (verb == L"start") {
    std::wstring commandLine = L"\"" + argument(1) + L"\"";
    if (step.size() > 2) commandLine += L" " + step[2];
    StartProcess(commandLine, true);
  } else if (verb == L"start-reg") {
    std::wstring commandLine = RegistryText(argument(1), argument(2), argument(3));
    Log("command line from the registry: " + Quote(commandLine));
    StartProcess(commandLine, true);
  } else if (verb == L"spawn") {
    StartProcess(argument(1), false);
  } else if (verb == L"cd") {
    if (!SetCurrentDirectoryW(argument(1).c_str()))
      Fail("cannot make " + Utf8(argument(1)) + " the current folder");
  } else if (verb == L"allow-box") {
    allowedCaptions.insert(argument(1));
  } else if (verb == L"expect-page") {
    const std::wstring& caption = argument(1);
    WaitFor("page " + Quote(caption), kStepTimeoutMs, false,
            [&](Screen& screen, std::vector<Box>&) {
              return screen.sheet && WindowText(screen.sheet) == caption;
            });
  } else if (verb == L"expect-box") {
    const std::wstring &caption = argument(1), &text = argument(2);
    std::wstring buttons, press;
    int topmost = -1;
    for (size_t i = 3; i < step.size(); ++i) {
      if (step[i].rfind(L"buttons=", 0) == 0)
        buttons = step[i].substr(8);
      else if (step[i] == L"topmost")
        topmost = 1;
      else if (step[i] == L"not-topmost")
        topmost = 0;
      else if (step[i] == L"press")
        press = argument(++i);
      else
        Fail("unknown word in expect-box: " + Utf8(step[i]));
    }
    Box found{};
    WaitFor("box " + Quote(caption) + " " + Quote(text), kStepTimeoutMs, true,
            [&](Screen&, std::vector<Box>& boxes) {
              if (boxes.empty()) return false;
              found = boxes[0];
              return true;
            });
    if (found.caption != caption || found.text != text)
      Fail("expected box " + Quote(caption) + " " + Quote(text) + ", saw " + Quote(found.caption) +
           " " + Quote(found.text));
    if (!buttons.empty() && ButtonList(found) != buttons)
      Fail("box buttons are " + Utf8(ButtonList(found)) + ", expected " + Utf8(buttons));
    if (topmost >= 0 && found.topmost != (topmost == 1))
      Fail(found.topmost ? "box is topmost, expected not" : "box is not topmost");
    if (!press.empty()) {
      int id = ButtonId(press);
      HWND button = GetDlgItem(found.window, id);
      if (!button || !IsWindowVisible(button)) Fail("box has no " + Utf8(press) + " button");
      Log("press " + Utf8(press));
      PostMessageW(found.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
      // The same box must go before the next step looks at the screen.
      DWORD start = GetTickCount();
      while (IsWindow(found.window) && IsWindowVisible(found.window)) {
        if (GetTickCount() - start > kStepTimeoutMs) Fail("the box did not close");
        Sleep(kPollMs);
      }
    }
  } else if (verb == L"check-licence-centred-22-rows") {
    CheckLicence();
  } else if (verb == L"press") {
    Log("press " + Utf8(argument(1)));
    PressWizardButton(argument(1));
  } else if (verb == L"type") {
    HWND control = PageControl(std::stoi(argument(1)));
    DWORD_PTR ignored;
    SendMessageTimeoutW(control, WM_SETTEXT, 0, (LPARAM)argument(2).c_str(), SMTO_ABORTIFHUNG, 2000,
                        &ignored);
    if (WindowText(control) != argument(2))
      Fail("control " + Utf8(argument(1)) + " did not take the text");
  } else if (verb == L"keys") {
    TypeKeys(PageControl(std::stoi(argument(1))), argument(2));
  } else if (verb == L"click") {
    HWND control = PageControl(std::stoi(argument(1)));
    if (!IsWindowVisible(control) || !IsWindowEnabled(control))
      Fail("button " + Utf8(argument(1)) + " cannot be clicked");
    PostMessageW(control, BM_CLICK, 0, 0);
  } else if (verb == L"check") {
    HWND control = PageControl(std::stoi(argument(1)));
    bool wanted = OnOff(argument(2));
    if (!IsWindowVisible(control) || !IsWindowEnabled(control))
      Fail("check box " + Utf8(argument(1)) + " cannot be clicked");
    if (Checked(control) != wanted) PostMessageW(control, BM_CLICK, 0, 0);
    WaitFor("check box " + Utf8(argument(1)) + " " + Utf8(argument(2)), kStepTimeoutMs, false,
            [&](Screen&, std::vector<Box>&) { return Checked(control) == wanted; });
  } else if (verb == L"expect-checked") {
    if (Checked(PageControl(std::stoi(argument(1)))) != OnOff(argument(2)))
      Fail("check box " + Utf8(argument(1)) + " is not " + Utf8(argument(2)));
  } else if (verb == L"expect-enabled") {
    if ((IsWindowEnabled(PageControl(std::stoi(argument(1)))) != 0) != OnOff(argument(2)))
      Fail("control " + Utf8(argument(1)) + " enabled is not " + Utf8(argument(2)));
  } else if (verb == L"expect-text") {
    std::wstring text = WindowText(PageControl(std::stoi(argument(1))));
    if (text != argument(2))
      Fail("control " + Utf8(argument(1)) + " shows " + Quote(text) + ", expected " +
           Quote(argument(2)));
  } else if (verb == L"expect-long-path") {
    wchar_t longPath[1024];
    DWORD length = GetLongPathNameW(argument(1).c_str(), longPath, 1024);
    if (!length || length >= 1024) Fail("no file " + Quote(argument(1)));
    Log("long path of " + Quote(argument(1)) + " is " + Quote(longPath));
    // Windows compares names without regard to case.
    if (CompareStringOrdinal(longPath, -1, argument(2).c_str(), -1, TRUE) != CSTR_EQUAL)
      Fail(Quote(argument(1)) + " names " + Quote(longPath) + ", not " + Quote(argument(2)));
  } else if (verb == L"expect-window") {
    HWND window = NULL;
    WaitFor("window " + Utf8(argument(1)), kStepTimeoutMs, false, [&](Screen&, std::vector<Box>&) {
      window = FindWindowW(argument(1).c_str(), NULL);
      return window != NULL;
    });
    Log("window " + Utf8(argument(1)) + " " + Quote(WindowText(window)));
  } else if (verb == L"expect-no-window") {
    if (FindWindowW(argument(1).c_str(), NULL)) Fail("window " + Utf8(argument(1)) + " exists");
  } else if (verb == L"close-window") {
    HWND window = FindWindowW(argument(1).c_str(), NULL);
    if (!window) Fail("no window " + Utf8(argument(1)) + " to close");
    PostMessageW(window, WM_CLOSE, 0, 0);
    WaitFor(Utf8(argument(1)) + " to close", kStepTimeoutMs, true,
            [&](Screen&, std::vector<Box>&) { return !IsWindow(window); });
  } else if (verb == L"shot") {
    Screen screen = Look();
    if (screen.sheet) Settle(screen.sheet);
    Shoot(Utf8(argument(1)));
  } else if (verb == L"mark") {
    Log("mark " + Utf8(argument(1)));
  } else if (verb == L"expect-exit") {
    if (targets.empty()) Fail("nothing was started");
    HANDLE target = targets.back().hProcess;
    targets.pop_back();
    DWORD wanted = std::stoul(argument(1));
    WaitFor("the program to end", kExitTimeoutMs, false, [&](Screen&, std::vector<Box>&) {
      return WaitForSingleObject(target, 0) == WAIT_OBJECT_0;
    });
    DWORD code = 0;
    GetExitCodeProcess(target, &code);
    Log("exit " + std::to_string(code));
    CloseHandle(target);
    if (code != wanted)
      Fail("exit code " + std::to_string(code) + ", expected " + Utf8(argument(1)));
  } else {
    Fail("unknown step " + Utf8(verb));
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  QueryPerformanceFrequency(&clockFrequency);
  QueryPerformanceCounter(&clockStart);
  if (argc < 3) {
    fwprintf(stderr, L"usage: robot <scenario> <log> [<shot folder>]\n");
    return 2;
  }
  logFile = _wfopen(argv[2], L"w");
  if (!logFile) return 2;
  if (argc > 3) shotFolder = argv[3];
  int result = 0;
  try {
    FILE* scenario = _wfopen(argv[1], L"rb");
    if (!scenario) Fail("cannot read the scenario " + Utf8(argv[1]));
    std::string line;
    int number = 0;
    for (int c = fgetc(scenario);; c = fgetc(scenario)) {
      if (c != EOF && c != '\n') {
        if (c != '\r') line += (char)c;
        continue;
      }
      ++number;
      std::vector<std::wstring> step = Tokens(line);
      if (!step.empty()) {
        Log("step " + std::to_string(number) + ": " + line);
        RunStep(step);
      }
      line.clear();
      if (c == EOF) break;
    }
    fclose(scenario);
    // Whatever the scenario left on the screen must have been expected.
    Screen screen = Look();
    FailOnBoxes(Observe(screen), "the end of the scenario");
    Log("PASS");
  } catch (const Failure& failure) {
    Screen screen = Look();
    Observe(screen);
    Shoot("failure");
    Log("FAIL: " + failure.reason);
    result = 1;
  }
  for (const PROCESS_INFORMATION& target : targets) {
    if (WaitForSingleObject(target.hProcess, 0) == WAIT_OBJECT_0) continue;
    Log("ending the program under test, which is still running");
    TerminateProcess(target.hProcess, 255);
  }
  fclose(logFile);
  return result;
}

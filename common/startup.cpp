// The shipped programs' own start-up code, in place of the C runtime's. They
// use nothing the runtime prepares (argc/argv, stdio, locale, atexit), and
// leaving its start-up out keeps setup.exe and the self-extractor small. The
// test executables link the same product code with the normal runtime.
#include <windows.h>

#include "common/command_tail.h"

// The static constructor list the linker lays out: a -1, the constructors,
// then a null.
extern "C" void (*__CTOR_LIST__[])();

namespace {

void RunStaticConstructors() {
  // Last to first, as the runtime calls them.
  int count = 0;
  while (__CTOR_LIST__[count + 1]) ++count;
  while (count) __CTOR_LIST__[count--]();
}

int StartupShowState() {
  STARTUPINFOA info;
  GetStartupInfoA(&info);
  return info.dwFlags & STARTF_USESHOWWINDOW ? info.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

// Windows only promises a 4-byte aligned stack on entry to a 32-bit program.
extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
  RunStaticConstructors();
  char* tail = const_cast<char*>(CommandLineTail(GetCommandLineA()));
  ExitProcess(WinMain(GetModuleHandleA(nullptr), nullptr, tail, StartupShowState()));
}

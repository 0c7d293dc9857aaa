// Stand-in for the product's libraries (main module, secondary modules,
// plug-ins): a DLL that loads and does nothing. Copies of it differ by their
// version resource or by the name tagged onto their end.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}

extern "C" __declspec(dllexport) int QuillbarModuleReady() {
  return 1;
}

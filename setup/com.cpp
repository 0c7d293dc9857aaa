#include "setup/com.h"

#include "setup/setup_state.h"

void ComStartStop(int start) {
  if (start) {
    CoInitialize(NULL);
    HRESULT created = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                       reinterpret_cast<void**>(&setupState.shellLink));
    if (SUCCEEDED(created)) {
      setupState.shellLink->QueryInterface(IID_IPersistFile,
                                           reinterpret_cast<void**>(&setupState.shellLinkFile));
    } else {
      setupState.shellLink = NULL;
    }
    return;
  }
  if (setupState.shellLinkFile) setupState.shellLinkFile->Release();
  if (setupState.shellLink) setupState.shellLink->Release();
  setupState.shellLinkFile = NULL;
  setupState.shellLink = NULL;
  CoUninitialize();
}

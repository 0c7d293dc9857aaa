#include "setup/single_run.h"

#include "seam/outside.h"

namespace {
// In the global namespace, so that setups in other sessions see it too. The
// system lets it go with the last handle, so a setup that crashed or was
// ended blocks nobody.
const char kClaimName[] = "Global\\QuillbarSetupRunning";
}  // namespace

HANDLE ClaimSetupRun() {
  HANDLE claim = CreateMutexA(NULL, FALSE, kClaimName);
  DWORD error = GetLastError();
  // Access denied: another user's setup made it.
  if (error == ERROR_ALREADY_EXISTS || (!claim && error == ERROR_ACCESS_DENIED)) {
    if (claim) CloseHandle(claim);
    outside.messageBox(NULL, "Quillbar Setup is already running.", "Quillbar Setup",
                       MB_OK | MB_TOPMOST);
    return NULL;
  }
  // A system that cannot name the claim still installs.
  return claim ? claim : INVALID_HANDLE_VALUE;
}

void ReleaseSetupRun(HANDLE claim) {
  if (claim != INVALID_HANDLE_VALUE) CloseHandle(claim);
}

#include "setup/finish.h"

#include "setup/com.h"
#include "setup/setup_state.h"

void FinishInstallation(INT_PTR sheetResult) {
  (void)sheetResult;  // the finishing steps proper are not built yet
  ComStartStop(0);
  if (setupState.extractorCopyPath[0]) DeleteFileA(setupState.extractorCopyPath);
}

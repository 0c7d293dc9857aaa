#include <windows.h>

#include "payload/extract.h"
#include "seam/outside.h"
#include "common/text.h"

// The wizard is hidden while the payload is installed, so the box has no
// owner and stays on top to be seen at all.
void ShowSetupError(const char* text) {
  char message[300];
  // Every text this program passes fits; one that did not would be shown
  // whole from the caller's own buffer rather than cut.
  const char* shown = CopyText(message, text) ? message : text;
  outside.messageBox(NULL, shown, "Quillbar Setup Error", MB_OK | MB_TOPMOST);
}

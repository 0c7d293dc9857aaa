#include "wizard/center_window.h"

#include "wizard/centering.h"

void CenterWindow(HWND window) {
  HWND target = GetParent(window);
  if (!target) target = window;
  RECT rect;
  // A window that is already gone has no rectangle to centre.
  if (!GetWindowRect(target, &rect)) return;
  int x, y;
  CenteredOrigin(rect.left, rect.top, rect.right, rect.bottom, GetSystemMetrics(SM_CXSCREEN),
                 GetSystemMetrics(SM_CYSCREEN), &x, &y);
  SetWindowPos(target, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

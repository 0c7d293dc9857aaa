#include "wizard/centering.h"

void CenteredOrigin(long left, long top, long right, long bottom, int screenWidth, int screenHeight,
                    int* x, int* y) {
  long width = right - left + 1;
  if (width >= screenWidth) width = screenWidth;
  long height = bottom - top + 1;
  if (height >= screenHeight) height = screenHeight;
  // Each half is truncated toward zero on its own, as the sheet has always been placed.
  long originX = screenWidth / 2 - width / 2;
  long originY = screenHeight / 2 - height / 2;
  *x = originX < 0 ? 0 : static_cast<int>(originX);
  *y = originY < 0 ? 0 : static_cast<int>(originY);
}

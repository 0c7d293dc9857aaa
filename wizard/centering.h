#pragma once

// Where a window of the given rectangle goes to sit in the middle of a screen
// of the given size: the rectangle counts one larger than its span, is
// clamped to the screen, and the origin never goes negative.
void CenteredOrigin(long left, long top, long right, long bottom, int screenWidth, int screenHeight,
                    int* x, int* y);

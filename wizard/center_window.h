#pragma once

#include <windows.h>

// Moves the window's parent (the property sheet), or the window itself when
// it has none, to the middle of the screen and to the top of the z-order.
void CenterWindow(HWND window);

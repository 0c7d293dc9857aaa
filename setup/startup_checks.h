// The checks that run before anything else: Quillbar itself must not be
// running, and a tray support program, if any, must be of the current kind.
#pragma once

// Asks the user to shut Quillbar down for as long as its main window exists.
// 0 when the user declined (setup ends); non-zero to go on.
int CheckProductNotRunning();

// 0 when an old tray support program is running (the user has been told and
// setup ends); non-zero to go on.
int CheckTrayIsCurrent();

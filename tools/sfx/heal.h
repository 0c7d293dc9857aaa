// Healing an unpack that was cut off (power cut, crash, forced log-off):
// before it unpacks, the next run into the folder reads the journal left in
// the work folder and undoes every move of a plan whose placing had not
// ended, so that the folder is as it was before that run, or keeps that
// run's new files when its placing had ended; then the work folder goes.
#pragma once

#include "common/passing_hold.h"

enum HealResult {
  kHealNothing,  // no product file needed to change (none moved, or placing had ended)
  kHealDone,     // the moves of an interrupted unpack were undone
  kHealFailed,   // a move could not be undone: see badName
  kHealForeign,  // the work folder's name is something not to be touched
};

// Heals the long-form destination folder. A journal that cannot be read
// while set-aside files exist means that nothing is touched, and so does
// anything but a plain folder under the work folder's name. badName
// (kZipMaxName + 1) names the file concerned.
HealResult HealInterruptedUnpack(const wchar_t* folder, char* badName, const HoldClock& clock);

#pragma once

// Puts Winlogon's "UserInit" back to the standard entry when it holds exactly
// the standard entry followed by the tray loader entry.
void RemoveTrayLoader();

// Deletes the desk band's class keys, deepest first.
void RemoveDeskBand();

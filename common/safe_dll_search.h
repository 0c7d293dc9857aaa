// Keeps DLLs out of reach of the folder a program was started from. The
// setup runs elevated straight from a download folder, where anyone may have
// left a DLL under a system name; Windows would look there first.
#pragma once

// Restricts the search for DLLs loaded by bare name to the system folder.
// Where the system cannot restrict it that far, it at least takes the
// current folder out of the search. Then loads the DLLs that windows load
// by bare name from the system folder, and CryptoAPI's provider for a
// program that uses it: a program that does not is spared its load, a few
// milliseconds before its window can show. Call it first thing in WinMain.
void RestrictDllSearchToSystem(bool usesCryptoApi);

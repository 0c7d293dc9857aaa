// SetupState: the one program-wide record that the wizard pages, the payload
// installation and the finishing steps share. It lives in static storage and
// is all zero when the process starts.
#pragma once

#include <windows.h>
#include <shlobj.h>

struct SetupState {
  char installFolder[MAX_PATH];
  char configFolder[MAX_PATH];  // empty: no separate configuration folder
  BOOL startMenuShortcuts;
  BOOL programsShortcuts;
  BOOL submenuShortcuts;
  BOOL startupShortcut;
  BOOL desktopShortcuts;
  BOOL installCompleted;  // set when the shortcuts page becomes active
  char payloadArchivePath[MAX_PATH];
  char extractorCopyPath[MAX_PATH];  // deleted at the end of the run when not empty
  // The temporary folder made for the copy when the setup folder refused it,
  // removed after it; empty when the copy lies beside the archive.
  char extractorCopyFolder[MAX_PATH];
  HINSTANCE instanceHandle;
  // The run's one shell-link object, made by the COM start.
  IShellLinkA* shellLink;
  IPersistFile* shellLinkFile;
};

extern SetupState setupState;

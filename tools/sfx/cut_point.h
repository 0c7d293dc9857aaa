// A hook for the tests of interrupted unpacks, and nothing else: with
// QB_SFX_TEST_CUT=POINT:COUNT in its environment (for example "aside:2") the
// extractor ends its own process abruptly, as a power cut or Task Manager
// would, the COUNT-th time its unpack passes POINT. The installer never sets
// the variable; without it every call below does nothing.
#pragma once

enum CutPoint {
  kCutWritten,   // a scratch file is unpacked and flushed
  kCutPlanned,   // the journal's plan is flushed
  kCutAside,     // an earlier file is set aside
  kCutPlaced,    // a new file has its name
  kCutRecorded,  // the end of placing is flushed to the journal
  kCutDeleted,   // a set-aside file is deleted
};

// The exit code of a process ended at a cut point.
const unsigned kCutExitCode = 0xC07;

// Reads the variable; called once when an unpack starts.
void ArmCutPoint();
void PassCutPoint(CutPoint point);

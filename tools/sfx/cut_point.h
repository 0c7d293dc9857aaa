// A hook for the tests of interrupted unpacks, and nothing else: in the test
// build of the extractor (QB_SFX_CUT_POINTS), with QB_SFX_TEST_CUT=POINT:COUNT
// in its environment (for example "aside:2"), the extractor ends its own
// process abruptly, as a power cut or Task Manager would, the COUNT-th time
// its unpack passes POINT. The shipped extractor is built without it: there
// every call below is empty, and no environment steers it.
#pragma once

enum CutPoint {
  kCutWritten,   // an entry is staged
  kCutPlanned,   // the journal's plan is flushed
  kCutAside,     // an earlier file is set aside
  kCutPlaced,    // a new file has its name
  kCutRecorded,  // the end of placing is flushed to the journal
  kCutDeleted,   // a set-aside file is deleted
};

// The exit code of a process ended at a cut point.
const unsigned kCutExitCode = 0xC07;

#ifdef QB_SFX_CUT_POINTS
// Reads the variable; called once when an unpack starts.
void ArmCutPoint();
void PassCutPoint(CutPoint point);
#else
inline void ArmCutPoint() {}
inline void PassCutPoint(CutPoint) {}
#endif

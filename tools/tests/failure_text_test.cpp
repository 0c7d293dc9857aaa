// The user's failure text, from outcomes made up for it.
#include "tools/sfx/failure_text.h"

#include <gtest/gtest.h>

#include <string.h>
#include <wchar.h>

#include "tools/tests/sfx_test_files.h"

namespace {

// An undo failing right after its own placing cannot be brought about from
// outside: the outcome is made up here.
TEST(FailureText, AFailureThatCouldNotUndoEverythingSaysWhichFilesAreNotAsTheyWere) {
  UnpackOutcome outcome;
  memset(&outcome, 0, sizeof outcome);
  outcome.result = kUnpackCannotPlace;
  wcscpy(outcome.folder, L"C:\\Q");
  strcpy(outcome.name, "b.txt");
  strcpy(outcome.notUndone, "a.txt, c.txt");
  wchar_t text[1024];
  DescribeFailure(outcome, text, 1024);
  EXPECT_EQ(
      "Unzipping failed in C:\\Q: a file could not be replaced; it may be in use or read-only."
      "\n\nFile: b.txt\n\nThese files are not as they were: a.txt, c.txt. They are put back when "
      "this program next unzips into the folder.",
      Narrow(text));
}

}  // namespace

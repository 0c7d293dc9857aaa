// Unpacks cut off for real: the test build of the extractor runs as its own
// process over an earlier installation and ends itself abruptly
// (TerminateProcess) at a point of the unpack that the test arms
// (tools/sfx/cut_point.h); then a normal run into the same folder must heal
// what was left.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"
#include "tools/sfx/cut_point.h"
#include "tools/sfx/failure_text.h"
#include "tools/sfx/unpack.h"
#include "tools/tests/extractor_process.h"
#include "tools/tests/held_file.h"
#include "tools/tests/sfx_test_files.h"
#include "tools/tests/unpack_fixture.h"

namespace {

// The test archive holds big.txt, empty.txt, readme.txt, zz-last.bin, in
// that order: a cut after each file of each step.
const char* const kCuts[] = {
    "written:1", "written:2",  "written:3", "written:4", "planned:1", "aside:1",
    "aside:2",   "aside:3",    "aside:4",   "placed:1",  "placed:2",  "placed:3",
    "placed:4",  "recorded:1", "deleted:1", "deleted:2", "deleted:3", "deleted:4",
};
// An update over an earlier installation that lacks empty.txt: cuts after
// which empty.txt is new in the folder and readme.txt is replaced, or set
// aside with its new file not yet in place.
const char kAddedFile[] = "empty.txt";
const char* const kCutsWhilePlacing[] = {"aside:2", "placed:3"};

class InterruptedUnpackTest : public ::testing::Test {
 protected:
  // The folder holds an earlier installation, without the file the update
  // adds when one is given, and a file of the user's.
  void PlantEarlierInstallation(const char* added = nullptr) {
    DeleteTree(folder);
    MakeFolder(folder);
    earlier.clear();
    for (const char* const* name = ProductNames(); *name; ++name) {
      if (added && strcmp(*name, added) == 0) continue;
      earlier.push_back(*name);
      WriteFile(folder + "\\" + *name, std::string("earlier ") + *name);
    }
    WriteFile(folder + "\\mine.txt", "the user's own");
    earlier.push_back("mine.txt");
    std::sort(earlier.begin(), earlier.end());
  }
  // Runs the extractor into the folder until it ends itself at cut.
  void CutOffAt(const char* cut) {
    ExtractorProcess extractor;
    ASSERT_TRUE(extractor.Start("good-cuts.exe", scratch.path(), cut));
    extractor.Unzip(Wide(folder));
    EXPECT_EQ(kCutExitCode, extractor.WaitForExit(30000)) << "the cut point was not reached";
  }
  bool UnpackAgain() {
    UnpackObserver observer = {nullptr, VirtualSleep, nullptr, nullptr};
    return UnpackArchiveFile(Wide(TestArchive("good.exe")).c_str(), Wide(folder).c_str(), &observer,
                             &outcome);
  }
  ScratchFolder scratch;
  std::string folder = scratch / "Quillbar";
  std::vector<std::string> earlier;  // the names in the folder, sorted
  UnpackOutcome outcome;
};

TEST_F(InterruptedUnpackTest, TheRunAfterACutAnywhereLeavesEveryFileNewAndNothingElse) {
  for (const char* cut : kCuts) {
    SCOPED_TRACE(cut);
    PlantEarlierInstallation();
    CutOffAt(cut);
    ASSERT_TRUE(UnpackAgain()) << outcome.result << " " << outcome.name;
    EXPECT_EQ(earlier, ListFolder(folder)) << "no work folder or scratch file stays";
    for (const char* const* name = ProductNames(); *name; ++name) {
      EXPECT_TRUE(ReadFile(TestArchive(std::string("product\\") + *name)) ==
                  ReadFile(folder + "\\" + *name))
          << *name << " is not the new one";
    }
    EXPECT_EQ("the user's own", ReadFile(folder + "\\mine.txt"));
  }
}

TEST_F(InterruptedUnpackTest, AfterACutWhilePlacingARunThatFailsLeavesExactlyTheEarlierFiles) {
  for (const char* cut : kCutsWhilePlacing) {
    SCOPED_TRACE(cut);
    PlantEarlierInstallation(kAddedFile);
    CutOffAt(cut);
    ASSERT_TRUE(PathExists(folder + "\\" + kAddedFile)) << "the cut run had placed it";
    // The last file is never reached by these cuts; held, it fails the run.
    HeldByAnotherProcess holder(folder + "\\zz-last.bin");
    ASSERT_TRUE(holder.held());
    EXPECT_FALSE(UnpackAgain());
    EXPECT_EQ(kUnpackCannotPlace, outcome.result);
    EXPECT_TRUE(outcome.healed) << "the cut run had set earlier files aside";
    EXPECT_EQ(earlier, ListFolder(folder)) << "the added file goes, and nothing else";
    for (const std::string& name : earlier) {
      if (name != "zz-last.bin" && name != "mine.txt") {
        EXPECT_EQ("earlier " + name, ReadFile(folder + "\\" + name)) << name;
      }
    }
    wchar_t text[1024];
    DescribeFailure(outcome, text, 1024);
    EXPECT_EQ(0u, Narrow(text).find("Files an earlier, cut-off unzipping had replaced were put "
                                    "back, and nothing else was changed in " +
                                    folder + ": "))
        << Narrow(text);
  }
}

}  // namespace

#include "tools/sfx/unpack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"
#include "tools/sfx/failure_text.h"
#include "tools/sfx/staging.h"
#include "tools/tests/held_file.h"
#include "tools/tests/sfx_test_files.h"
#include "tools/tests/unpack_fixture.h"

namespace {

TEST_F(UnpackTest, UnpacksEveryFileWithItsContentIntoAFolderMadeWithItsParents) {
  std::string folder = scratch / "Program Files\\Quillbar";
  ASSERT_TRUE(Unpack("good.exe", folder)) << outcome.result;
  EXPECT_EQ(kUnpackDone, outcome.result);
  EXPECT_EQ(4u, outcome.files);
  ExpectProductIn(folder);
}

TEST_F(UnpackTest, ReplacesFilesOfAnEarlierInstallationAndLeavesOthers) {
  WriteFile(scratch / "readme.txt", "old read-me");
  WriteFile(scratch / "mine.txt", "the user's own");
  ASSERT_TRUE(Unpack("good.exe", scratch.path() + "\\")) << outcome.result;
  EXPECT_EQ(ReadFile(TestArchive("product\\readme.txt")), ReadFile(scratch / "readme.txt"));
  EXPECT_EQ("the user's own", ReadFile(scratch / "mine.txt"));
}

TEST_F(UnpackTest, ATypedRelativeFolderIsTakenFromTheCurrentFolder) {
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(scratch.path().c_str());
  bool ok = Unpack("good.exe", "typed\\here");
  SetCurrentDirectoryA(previous);
  ASSERT_TRUE(ok) << outcome.result;
  ExpectProductIn(scratch / "typed\\here");
}

TEST_F(UnpackTest, ACrcMismatchInTheLastFileLeavesNoFileUnderAnyName) {
  WriteFile(scratch / "readme.txt", "old read-me");
  EXPECT_FALSE(Unpack("crc.exe", scratch.path()));
  EXPECT_EQ(kUnpackBadArchive, outcome.result);
  EXPECT_EQ(kZipCrcMismatch, outcome.zip);
  EXPECT_STREQ("zz-last.bin", outcome.name);
  EXPECT_EQ(std::vector<std::string>{"readme.txt"}, ListFolder(scratch.path()))
      << "the files unpacked before the damaged one are not kept, nor any scratch file";
  EXPECT_EQ("old read-me", ReadFile(scratch / "readme.txt"));
}

std::string FolderOfLength(const ScratchFolder& scratch, size_t length) {
  return scratch.path() + "\\" + std::string(length - scratch.path().size() - 1, 'f');
}

TEST_F(UnpackTest, TheLongestFolderThatTakesTheScratchFilesWorks) {
  // The work folder, FOLDER\qbar-work~00, must be a plain path too.
  std::string folder = FolderOfLength(scratch, MAX_PATH - 14);
  ASSERT_TRUE(Unpack("good.exe", folder)) << outcome.result;
  ExpectProductIn(folder);
}

// Refused before anything is written: the folder is not even made, and an
// earlier installation keeps its file.
TEST_F(UnpackTest, WhatIsRefusedBeforehandWritesNothing) {
  const struct {
    const char* what;
    const char* archive;
    std::string folder;
    UnpackResult result;
    ZipStatus zip;
    const char* name;
  } rows[] = {
      {"a truncated archive", "truncated.exe", scratch / "target", kUnpackBadArchive, kZipNoArchive,
       ""},
      {"an entry leaving the folder", "refused.exe", scratch / "target", kUnpackBadArchive,
       kZipRefusedName, "../evil.txt"},
      {"a device name over an earlier installation", "device-name.exe", scratch.path(),
       kUnpackBadArchive, kZipRefusedName, "nul .txt"},
      // The work folder, FOLDER\qbar-work~00, must be a plain path too.
      {"a folder too long for the work folder", "good.exe", FolderOfLength(scratch, MAX_PATH - 13),
       kUnpackPathTooLong, kZipOk, ""},
      {"an empty folder text", "good.exe", "", kUnpackNoFolder, kZipOk, ""},
  };
  WriteFile(scratch / "inside.txt", "earlier");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_FALSE(Unpack(row.archive, row.folder));
    EXPECT_EQ(row.result, outcome.result);
    EXPECT_EQ(row.zip, outcome.zip);
    EXPECT_STREQ(row.name, outcome.name);
    EXPECT_EQ(std::vector<std::string>{"inside.txt"}, ListFolder(scratch.path()));
    EXPECT_EQ("earlier", ReadFile(scratch / "inside.txt"));
  }
}

TEST_F(UnpackTest, AFileHeldByAnotherProgramLeavesTheEarlierInstallationExactlyAsItWas) {
  // The archive's order is big.txt, empty.txt, readme.txt, zz-last.bin: the
  // held file comes after two that are replaced first and before one.
  std::vector<std::string> names = ProductList();
  for (const std::string& name : names) WriteFile(scratch / name, "earlier " + name);
  bool ok;
  {
    HeldByAnotherProcess holder(scratch / "readme.txt");
    ASSERT_TRUE(holder.held());
    ok = Unpack("good.exe", scratch.path());
  }
  EXPECT_FALSE(ok);
  EXPECT_EQ(kUnpackCannotPlace, outcome.result);
  EXPECT_STREQ("readme.txt", outcome.name);
  EXPECT_EQ(names, ListFolder(scratch.path())) << "no scratch or set-aside file stays behind";
  for (const std::string& name : names) {
    EXPECT_EQ("earlier " + name, ReadFile(scratch / name)) << name;
  }
}

TEST_F(UnpackTest, AReadOnlyEarlierFileIsNotReplacedAndNothingElseIs) {
  WriteFile(scratch / "big.txt", "earlier big");
  WriteFile(scratch / "zz-last.bin", "protected");
  SetFileAttributesA((scratch / "zz-last.bin").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(Unpack("good.exe", scratch.path()));
  SetFileAttributesA((scratch / "zz-last.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(kUnpackCannotPlace, outcome.result);
  EXPECT_STREQ("zz-last.bin", outcome.name);
  EXPECT_EQ((std::vector<std::string>{"big.txt", "zz-last.bin"}), ListFolder(scratch.path()));
  EXPECT_EQ("earlier big", ReadFile(scratch / "big.txt"));
  EXPECT_EQ("protected", ReadFile(scratch / "zz-last.bin"));
}

TEST_F(UnpackTest, AFailureInAFolderItMadeRemovesThatFolderAgain) {
  std::string folder = scratch / "new\\Quillbar";
  EXPECT_FALSE(Unpack("crc.exe", folder));
  EXPECT_EQ(kZipCrcMismatch, outcome.zip);
  EXPECT_EQ(std::vector<std::string>{}, ListFolder(scratch.path()));
}

// Drive Q: is a 1 MB tmpfs while CTest runs this suite (tools/tests/small-drive).
class UnpackOnASmallDrive : public UnpackTest {};

TEST_F(UnpackOnASmallDrive, AnArchiveThatCannotFitIsRefusedBeforeAnythingIsWritten) {
  ULARGE_INTEGER free, total;
  if (!GetDiskFreeSpaceExA("Q:\\", &free, &total, nullptr) || total.QuadPart > (4u << 20)) {
    GTEST_SKIP() << "no small drive Q: (CTest mounts a 1 MB tmpfs as Q: when run as root)";
  }
  std::string folder = "Q:\\Quillbar";
  DeleteTree(folder);
  MakeFolder(folder);
  WriteFile(folder + "\\readme.txt", "earlier read-me");
  bool ok = Unpack("good.exe", folder);
  std::vector<std::string> left = ListFolder(folder);
  std::string readme = ReadFile(folder + "\\readme.txt");
  DeleteTree(folder);
  EXPECT_FALSE(ok);
  EXPECT_EQ(kUnpackNoRoom, outcome.result);
  EXPECT_GT(outcome.needed, outcome.available);
  wchar_t text[1024];
  DescribeFailure(outcome, text, 1024);
  EXPECT_EQ(0u, std::wstring(text).find(L"Nothing was changed in Q:\\Quillbar: its disk has not "
                                        L"enough free space for the files.\n\nThe files need "))
      << Narrow(text);
  EXPECT_EQ(std::vector<std::string>{"readme.txt"}, left);
  EXPECT_EQ("earlier read-me", readme);
}

TEST_F(UnpackTest, CancellingStopsWithNothingWritten) {
  LONG stop = 1;
  cancel = &stop;
  EXPECT_FALSE(Unpack("good.exe", scratch.path()));
  EXPECT_EQ(kUnpackCancelled, outcome.result);
  EXPECT_EQ(std::vector<std::string>{}, ListFolder(scratch.path()));
}

// Several workers at once, whatever this machine's processors, over 40
// files of mixed sizes.
class UnpackByWorkers : public UnpackTest {
 protected:
  void SetUp() override {
    FixStagingWorkersForTests(4);
    WriteFile(scratch / "f05.txt", "earlier five");
    WriteFile(scratch / "f33.bin", "earlier thirty-three");
  }
  void TearDown() override { FixStagingWorkersForTests(0); }
  void ExpectEarlierFilesAsTheyWere() {
    EXPECT_EQ((std::vector<std::string>{"f05.txt", "f33.bin"}), ListFolder(scratch.path()))
        << "no other file, and no scratch file, is left";
    EXPECT_EQ("earlier five", ReadFile(scratch / "f05.txt"));
    EXPECT_EQ("earlier thirty-three", ReadFile(scratch / "f33.bin"));
  }
};

TEST_F(UnpackByWorkers, AFailingFileInTheMiddleLeavesEveryEarlierFileAsItWas) {
  EXPECT_FALSE(Unpack("many-crc.exe", scratch.path()));
  EXPECT_EQ(kUnpackBadArchive, outcome.result);
  EXPECT_EQ(kZipCrcMismatch, outcome.zip);
  EXPECT_STREQ("f20.bin", outcome.name) << "the failure is the damaged file's, not the others'";
  ExpectEarlierFilesAsTheyWere();
}

// Close, once a quarter of a megabyte is unpacked; counts the reports that
// move the bar after it.
struct CloseAfter {
  volatile LONG stop;
  ULONGLONG done;
  unsigned movesAfter;
};

void CloseOnProgress(void* context, const UnpackProgress& progress) {
  CloseAfter& close = *static_cast<CloseAfter*>(context);
  if (close.stop && progress.done > close.done) ++close.movesAfter;
  close.done = progress.done;
  if (progress.done >= (256u << 10)) InterlockedExchange(&close.stop, 1);
}

TEST_F(UnpackByWorkers, CloseWhileWorkersInflateLeavesNothing) {
  CloseAfter close = {};
  cancel = &close.stop;
  progress = CloseOnProgress;
  context = &close;
  EXPECT_FALSE(Unpack("many.exe", scratch.path()));
  EXPECT_EQ(kUnpackCancelled, outcome.result);
  ExpectEarlierFilesAsTheyWere();
  // Each worker may end the write it is in, and no more.
  EXPECT_LE(close.movesAfter, 2u * 4) << "every worker stops";
}

TEST_F(UnpackTest, AProgramWithoutArchiveSaysSo) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  memset(&outcome, 'g', sizeof outcome);
  EXPECT_FALSE(UnpackArchiveFile(self, Wide(scratch.path()).c_str(), nullptr, &outcome));
  EXPECT_EQ(kUnpackBadArchive, outcome.result);
  EXPECT_EQ(kZipNoArchive, outcome.zip);
  EXPECT_FALSE(UnpackArchiveFile(Wide(scratch / "missing.exe").c_str(),
                                 Wide(scratch.path()).c_str(), nullptr, &outcome));
  EXPECT_EQ(kUnpackNoArchive, outcome.result);
}

TEST_F(UnpackTest, FailureTextNamesTheFile) {
  Unpack("crc.exe", scratch.path());
  wchar_t text[400];
  memset(text, 'g', sizeof text);
  DescribeFailure(outcome, text, 400);
  EXPECT_EQ("Nothing was changed in " + scratch.path() +
                ": the archive is damaged: a file does not match its checksum.\n\n"
                "File: zz-last.bin",
            Narrow(text));
  wchar_t tiny[40];
  DescribeFailure(outcome, tiny, 40);
  EXPECT_STREQ(L"", tiny) << "a sentence that does not fit is refused, not cut";
}

TEST_F(UnpackTest, AJournalThatCannotBeReadBesideSetAsideFilesChangesNothing) {
  WriteFile(scratch / "readme.txt", "new, placed by the cut-off run");
  MakeFolder(WorkFolder(scratch.path()));
  WriteFile(WorkFolder(scratch.path()) + "\\journal", "quillbar unpack journal 1\naside 0 rea");
  WriteFile(WorkFolder(scratch.path()) + "\\o0", "the user's earlier read-me");
  EXPECT_FALSE(Unpack("good.exe", scratch.path()));
  EXPECT_EQ(kUnpackCannotHeal, outcome.result);
  EXPECT_EQ((std::vector<std::string>{"qbar-work~00", "readme.txt"}), ListFolder(scratch.path()));
  EXPECT_EQ((std::vector<std::string>{"journal", "o0"}), ListFolder(WorkFolder(scratch.path())));
  EXPECT_EQ("the user's earlier read-me", ReadFile(WorkFolder(scratch.path()) + "\\o0"));
  wchar_t text[1024];
  DescribeFailure(outcome, text, 1024);
  EXPECT_EQ("Unzipping did not start in " + scratch.path() +
                ": an earlier unzipping into it was cut off, and its files could not all be put "
                "back.",
            Narrow(text));
}

// The names pending deletion at the next restart, as Windows keeps them.
std::wstring PendingDeletions() {
  wchar_t value[8192] = {};
  DWORD size = sizeof value - sizeof(wchar_t) * 2;
  RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
               L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, value, &size);
  std::wstring names(value, size / sizeof(wchar_t));
  for (wchar_t& c : names) c = c ? c : L'|';
  return names;
}

TEST_F(UnpackTest, ARunningProgramIsReplacedAndItsEarlierCopyGoesAtTheRestart) {
  // Windows renames a running program's file but does not delete it.
  std::string folder = scratch / "Quillbar";
  MakeFolder(folder);
  std::string program = folder + "\\zz-last.bin";
  ASSERT_TRUE(CopyFileA((TestFolder() + "\\file_holder.exe").c_str(), program.c_str(), FALSE));
  WriteFile(scratch / "held.txt", "");
  bool ok, again;
  std::vector<std::string> work, workAgain;
  std::wstring pending;
  {
    HeldByAnotherProcess running(scratch / "held.txt", program);
    ASSERT_TRUE(running.held()) << "the program runs";
    ok = Unpack("good.exe", folder);
    work = ListFolder(WorkFolder(folder));
    pending = PendingDeletions();
    // The earlier copy, still running, does not stop the next unpack.
    again = ok && Unpack("good.exe", folder);
    workAgain = ListFolder(WorkFolder(folder));
  }
  ASSERT_TRUE(ok) << outcome.result;
  EXPECT_TRUE(again) << outcome.result;
  EXPECT_EQ(work, workAgain);
  std::vector<std::string> expected = ProductList();
  expected.push_back("qbar-work~00");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, ListFolder(folder)) << "nothing under a scratch name beside the product";
  EXPECT_EQ(ReadFile(TestArchive("product\\zz-last.bin")), ReadFile(program));
  ASSERT_EQ(1u, work.size());
  EXPECT_EQ(0u, work[0].find("gone-")) << work[0];
  std::wstring gone = Wide(WorkFolder(folder) + "\\" + work[0] + "|");
  EXPECT_NE(std::wstring::npos, pending.find(gone)) << Narrow(pending);
  EXPECT_NE(std::wstring::npos, pending.find(Wide(WorkFolder(folder) + "|")))
      << "the work folder goes after the file: " << Narrow(pending);
  // Once the program has ended the next unpack clears the work folder itself.
  ASSERT_TRUE(Unpack("good.exe", folder)) << outcome.result;
  ExpectProductIn(folder);
}

}  // namespace

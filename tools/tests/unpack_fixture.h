// Unpacks in process, on the virtual clock, of the test archives into a
// scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "tests/support/scratch_folder.h"
#include "tools/sfx/mapped_file.h"
#include "tools/sfx/unpack.h"
#include "tools/tests/sfx_test_files.h"

// The tests' way in: opens, unpacks and closes an archive file, as the
// extractor does with its own file.
inline bool UnpackArchiveFile(const wchar_t* path, const wchar_t* folder,
                              const UnpackObserver* observer, UnpackOutcome* outcome) {
  MappedFile mapped;
  if (!MapFile(path, &mapped)) {
    memset(outcome, 0, sizeof *outcome);
    outcome->result = kUnpackNoArchive;
    outcome->error = GetLastError();
    return false;
  }
  bool ok = UnpackMapped(mapped, folder, observer, outcome);
  UnmapFile(&mapped);
  return ok;
}

class UnpackTest : public ::testing::Test {
 protected:
  bool Unpack(const std::string& archive, const std::string& folder) {
    memset(&outcome, 'g', sizeof outcome);
    UnpackObserver observer = {cancel, VirtualSleep, progress, context};
    return UnpackArchiveFile(Wide(TestArchive(archive)).c_str(), Wide(folder).c_str(), &observer,
                             &outcome);
  }
  void ExpectProductIn(const std::string& folder) {
    EXPECT_EQ(ProductList(), ListFolder(folder)) << "no scratch file may stay behind";
    for (const std::string& name : ProductList()) {
      EXPECT_EQ(ReadFile(TestArchive("product\\" + name)), ReadFile(folder + "\\" + name)) << name;
    }
  }
  ScratchFolder scratch;
  UnpackOutcome outcome;
  volatile LONG* cancel = nullptr;
  void (*progress)(void* context, const UnpackProgress& progress) = nullptr;
  void* context = nullptr;
};

// The work folder of an unpack into folder: "qbar-work~00".
inline std::string WorkFolder(const std::string& folder) {
  return folder + "\\qbar-work~00";
}

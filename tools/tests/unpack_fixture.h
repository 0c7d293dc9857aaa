// Unpacks in process, on the virtual clock, of the test archives into a
// scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "tests/support/scratch_folder.h"
#include "tools/sfx/unpack.h"
#include "tools/tests/sfx_test_files.h"

class UnpackTest : public ::testing::Test {
 protected:
  bool Unpack(const std::string& archive, const std::string& folder) {
    memset(&outcome, 'g', sizeof outcome);
    UnpackObserver observer = {cancel, VirtualSleep, nullptr, nullptr};
    return UnpackFile(Wide(TestArchive(archive)).c_str(), Wide(folder).c_str(), &observer,
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
};

// The work folder of an unpack into folder: "qbar-work~00".
inline std::string WorkFolder(const std::string& folder) {
  return folder + "\\qbar-work~00";
}

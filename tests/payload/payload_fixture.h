// Shared arrangements for the payload tests: a clean SetupState, a scratch
// folder with setup, install and configuration folders, the seam bound to
// the test, and the names the payload delivers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_outside.h"
#include "tests/support/scratch_folder.h"

extern const std::vector<std::string> kPluginNames;
extern const std::vector<std::string> kSampleNames;

class PayloadTest : public ::testing::Test {
 protected:
  PayloadTest();
  ~PayloadTest() override;

  // Sets installFolder / configFolder in SetupState (empty config: none).
  void UseInstallFolder(const std::string& folder);
  void UseConfigFolder(const std::string& folder);

  ScratchFolder scratch;
  FakeOutside fake;
  std::string setupFolder;
  std::string installFolder;
  std::string configFolder;
};

// A path of exactly length characters: folder + "\" + x... (no file made).
std::string PathOfLength(const std::string& folder, size_t length);

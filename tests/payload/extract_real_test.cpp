// The real payload and its real self-extractor, driven by ExtractPayload as
// the setup program drives them: a copy of the built qbar47.dat lies beside
// a (named, not present) setup.exe in a scratch folder, and the digest that
// tools/stamp-setup wrote into the built setup.exe is the one pinned.
#include <windows.h>

#include <gtest/gtest.h>

#include "payload/extract.h"
#include "setup/setup_state.h"
#include "tests/payload/payload_fixture.h"
#include "tests/support/pinned_payload.h"

namespace {

std::string BuiltPayload() {
  return TestProgramFolder() + "\\" + QB_PAYLOAD_FROM_TESTS;
}

std::string BuiltSetup() {
  return TestProgramFolder() + "\\" + QB_SETUP_FROM_TESTS;
}

class RealExtractTest : public PayloadTest {
 protected:
  void SetUp() override {
    if (!PathExists(BuiltPayload()) || !PathExists(BuiltSetup())) {
      GTEST_SKIP() << "the payload and setup.exe are not built (yet): " << BuiltPayload();
    }
    PinAsStampedIn(BuiltSetup());
    ASSERT_TRUE(CopyFileA(BuiltPayload().c_str(), (setupFolder + "\\qbar47.dat").c_str(), FALSE));
    // A blank in the install folder: the extractor gets it whole through
    // control 106, and the quoted command line is what starts the copy.
    installFolder = scratch / "Quillbar Files";
    MakeFolder(installFolder);
    UseInstallFolder(installFolder);
    UseConfigFolder(configFolder);
    fake.UseRealLaunch();
    // The extractor is a real process: its windows appear and its unpacking
    // ends in real time. Every wait of the program is also waited for real
    // (the counts and pauses stay those the program chose), so that the
    // extractor has the time the program would give it.
    fake.onSleep = [this](DWORD) { Sleep(fake.sleeps.back()); };
  }

  void TearDown() override {
    // WM_CLOSE ends the extractor; its copy can be deleted once it has gone.
    if (!setupState.extractorCopyPath[0]) return;
    bool deleted = false;
    for (int attempt = 0; attempt < 100 && !deleted; ++attempt) {
      deleted =
          DeleteFileA(setupState.extractorCopyPath) || !PathExists(setupState.extractorCopyPath);
      if (!deleted) Sleep(100);
    }
    EXPECT_TRUE(deleted) << "the extractor still runs after WM_CLOSE";
  }
};

TEST_F(RealExtractTest, UnpacksPlacesPluginsAndCopiesSamples) {
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  EXPECT_TRUE(fake.boxes.empty());
  for (const char* name :
       {"Quillbar.exe", "QBarConf.exe", "readme.txt", "Quillbar.hlp", "Quillbar.chm", "QBST.chm",
        "Quillbar.icl", "QBar.DllNew", "PSAPI.Dll", "QBarctx.DllNew", "QBartray.DllNew",
        "QBardesk.DllNew", "QBartray.exenew", "unwise.exe"}) {
    EXPECT_TRUE(PathExists(installFolder + "\\" + name)) << name;
  }
  for (const std::string& name : kPluginNames) {
    EXPECT_TRUE(PathExists(installFolder + "\\plugins\\" + name)) << name;
    EXPECT_FALSE(PathExists(installFolder + "\\" + name)) << name;
  }
  for (const std::string& name : kSampleNames) {
    std::string sample = ReadFile(installFolder + "\\" + name);
    EXPECT_FALSE(sample.empty()) << name;
    EXPECT_EQ(sample, ReadFile(configFolder + "\\" + name));
  }
  EXPECT_EQ(ReadFile(installFolder + "\\default.qcf"), ReadFile(configFolder + "\\Qbarconf.qcf"));
  EXPECT_EQ(NULL, FindWindowA(NULL, "WinZip Self-Extractor"));
}

TEST_F(RealExtractTest, ExistingMainConfigurationFileKeepsItsContent) {
  WriteFile(configFolder + "\\Qbarconf.qcf", "my own bars");
  WriteFile(configFolder + "\\demo.qcf", "old demo");
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ("my own bars", ReadFile(configFolder + "\\Qbarconf.qcf"));
  EXPECT_EQ(ReadFile(installFolder + "\\demo.qcf"), ReadFile(configFolder + "\\demo.qcf"));
  EXPECT_NE("old demo", ReadFile(configFolder + "\\demo.qcf"));
}

}  // namespace

#include "payload/modules.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "tests/payload/payload_fixture.h"
#include "tests/support/registry_sandbox.h"

namespace {

const char kLockedText[] =
    "Quillbar installation not completed.\r"
    "Quillbar cannot install new version of qbar.dll because Windows has locked qbar.dll in "
    "memory.\r"
    "Quillbar has been removed from Startup group.\r"
    "Please Reboot Windows so that installation can proceed.\r"
    "\r"
    "Press Yes to reboot now and run setup again.  No to reboot later and run setup manually.";

// The modules built beside this test program, each with nothing but a
// version resource ("qb_unversioned" has none).
std::string VersionModule(const std::string& name) {
  return TestProgramFolder() + "\\" + name + ".dll";
}

class ModulesTest : public PayloadTest {
 protected:
  ModulesTest() : windowsFolder(scratch / "windows") {
    MakeFolder(windowsFolder);
    MakeFolder(windowsFolder + "\\system32");
    fake.windowsFolder = windowsFolder;
    WriteFile(Installed("QBar.DllNew"), "new main");
    WriteFile(Installed("QBar.Dll"), "old main");
  }

  std::string Installed(const std::string& name) const { return installFolder + "\\" + name; }

  void Place(const std::string& module, const std::string& path) {
    ASSERT_TRUE(CopyFileA(VersionModule(module).c_str(), path.c_str(), FALSE))
        << module << " -> " << path;
  }

  std::string windowsFolder;
};

TEST_F(ModulesTest, SecondaryModulesAreCopiedOverTheirOldNamesAndTheNewFilesKept) {
  const char* pairs[][2] = {{"QBarctx.DllNew", "QBarctx.Dll"},
                            {"QBartray.DllNew", "QBartray.Dll"},
                            {"QBardesk.DllNew", "QBardesk.Dll"},
                            {"QBartray.exenew", "QBartray.exe"}};
  for (auto& pair : pairs) {
    WriteFile(Installed(pair[0]), std::string("new ") + pair[1]);
    WriteFile(Installed(pair[1]), "old");
  }
  EXPECT_EQ(1, ReplaceLockedModules());
  for (auto& pair : pairs) {
    EXPECT_EQ(std::string("new ") + pair[1], ReadFile(Installed(pair[1])));
    EXPECT_TRUE(PathExists(Installed(pair[0])));
  }
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(ModulesTest, MainModuleOfVersion4408IsNotReplaced) {
  Place("qb_v4_4_0_8", Installed("QBar.Dll"));
  std::string before = ReadFile(Installed("QBar.Dll"));
  EXPECT_EQ(1, ReplaceLockedModules());
  EXPECT_EQ(before, ReadFile(Installed("QBar.Dll")));
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(ModulesTest, MainModuleOfAnyOtherVersionOrNoneIsReplaced) {
  for (const char* module : {"qb_v4_4_0_7", "qb_v4_4_0_9", "qb_unversioned", "", "missing"}) {
    SCOPED_TRACE(module);
    DeleteFileA(Installed("QBar.Dll").c_str());
    if (std::string(module) == "")
      WriteFile(Installed("QBar.Dll"), "not a module");
    else if (std::string(module) != "missing")
      Place(module, Installed("QBar.Dll"));
    EXPECT_EQ(1, ReplaceLockedModules());
    EXPECT_EQ("new main", ReadFile(Installed("QBar.Dll")));
  }
  EXPECT_TRUE(fake.boxes.empty());
}

struct PsapiCase {
  const char* systemModule;  // empty: no system PSAPI.dll
  bool setAside;
};

void PrintTo(const PsapiCase& c, std::ostream* out) {
  *out << (c.systemModule[0] ? c.systemModule : "no system PSAPI.dll");
}

class SystemPsapiTest : public ModulesTest, public ::testing::WithParamInterface<PsapiCase> {
 protected:
  void SetUp() override {
    // Wine answers version queries on any file named PSAPI.dll from its own
    // built-in module unless told to prefer files on disk (psapi=n,b, which
    // the test list sets); without that these cases would test Wine.
    std::string probe = scratch / "PSAPI.dll";
    Place("qb_v0_3999", probe);
    ASSERT_TRUE(FileVersionIs(probe.c_str(), 0x00000F9F, 0))
        << "version of a file named PSAPI.dll not read from the file: run with "
           "WINEDLLOVERRIDES=psapi=n,b (ctest does)";
    DeleteFileA(probe.c_str());
  }
};

TEST_P(SystemPsapiTest, DecidesWhetherThePrivateCopyIsSetAside) {
  if (GetParam().systemModule[0]) {
    Place(GetParam().systemModule, windowsFolder + "\\system32\\PSAPI.dll");
  }
  WriteFile(Installed("PSAPI.Dll"), "private");
  WriteFile(Installed("PSAPI.dllbak"), "older private");
  EXPECT_EQ(1, ReplaceLockedModules());
  if (GetParam().setAside) {
    EXPECT_FALSE(PathExists(Installed("PSAPI.Dll")));
    EXPECT_EQ("private", ReadFile(Installed("PSAPI.dllbak")));
  } else {
    EXPECT_EQ("private", ReadFile(Installed("PSAPI.Dll")));
    EXPECT_EQ("older private", ReadFile(Installed("PSAPI.dllbak")));
  }
}

// 0.4000 and later pass, whatever the major version; 0.3999 and files
// without version information do not.
INSTANTIATE_TEST_SUITE_P(Versions, SystemPsapiTest,
                         ::testing::Values(PsapiCase{"qb_v4_0", true}, PsapiCase{"qb_v5_1", true},
                                           PsapiCase{"qb_v0_4000", true},
                                           PsapiCase{"qb_v0_3999", false},
                                           PsapiCase{"qb_unversioned", false},
                                           PsapiCase{"", false}),
                         [](const ::testing::TestParamInfo<PsapiCase>& info) {
                           std::string name = info.param.systemModule;
                           return name.empty() ? std::string("missing") : name;
                         });

TEST_F(ModulesTest, WithoutAPrivatePsapiTheOlderSetAsideCopyIsStillDeleted) {
  Place("qb_v5_1", windowsFolder + "\\system32\\PSAPI.dll");
  WriteFile(Installed("PSAPI.dllbak"), "older private");
  EXPECT_EQ(1, ReplaceLockedModules());
  EXPECT_FALSE(PathExists(Installed("PSAPI.dllbak")));
}

// A main module that Windows holds: the test opens it without sharing, as a
// loaded module would be held.
class LockedModuleTest : public ModulesTest {
 protected:
  LockedModuleTest() : startupFolder(scratch / "Startup") {
    MakeFolder(startupFolder);
    for (const char* name : {"Quillbar.lnk", "HTML Help.lnk", "Someone Else.lnk"}) {
      WriteFile(startupFolder + "\\" + name, "link");
    }
    SetRegText(HKEY_CURRENT_USER,
               "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Startup",
               startupFolder);
  }

  void ExpectLockedBox(int line) {
    SCOPED_TRACE("called from line " + std::to_string(line));
    ASSERT_EQ(1u, fake.boxes.size());
    EXPECT_EQ(kLockedText, fake.boxes[0].text);
    EXPECT_EQ("Quillbar", fake.boxes[0].caption);
    EXPECT_EQ(UINT(0x00040004), fake.boxes[0].style);
  }

  // The sweep is done before the question is asked.
  std::function<void()> CheckStartupSwept() {
    return [this] {
      EXPECT_EQ(std::vector<std::string>{"Someone Else.lnk"}, ListFolder(startupFolder));
    };
  }

  RegistrySandbox registry;
  std::string startupFolder;
};

TEST_F(LockedModuleTest, NoLeavesTheSessionAndStopsTheInstallation) {
  HANDLE held =
      CreateFileA(Installed("QBar.Dll").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  fake.Answer(IDNO, CheckStartupSwept());
  EXPECT_EQ(0, ReplaceLockedModules());
  CloseHandle(held);
  ExpectLockedBox(__LINE__);
  EXPECT_TRUE(fake.exitWindowsCalls.empty());
  EXPECT_EQ("old main", ReadFile(Installed("QBar.Dll")));
}

TEST_F(LockedModuleTest, YesLogsOff) {
  HANDLE held =
      CreateFileA(Installed("QBar.Dll").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  fake.Answer(IDYES, CheckStartupSwept());
  EXPECT_EQ(0, ReplaceLockedModules());
  CloseHandle(held);
  ExpectLockedBox(__LINE__);
  ASSERT_EQ(1u, fake.exitWindowsCalls.size());
  EXPECT_EQ(UINT(EWX_LOGOFF), fake.exitWindowsCalls[0].first);
  EXPECT_EQ(0xFFFFFFFFu, fake.exitWindowsCalls[0].second);
}

TEST_F(LockedModuleTest, MissingNewMainModuleCountsAsLocked) {
  DeleteFileA(Installed("QBar.DllNew").c_str());
  fake.Answer(IDNO, CheckStartupSwept());
  EXPECT_EQ(0, ReplaceLockedModules());
  ExpectLockedBox(__LINE__);
}

TEST_F(LockedModuleTest, MainModulePathTooLongCountsAsLocked) {
  // 250 characters: "\QBar.Dll" still fits a MAX_PATH buffer, "\QBar.DllNew" does not.
  std::string deepInstall = PathOfLength(scratch.path(), 250);
  MakeFolder(deepInstall);
  WriteFile(deepInstall + "\\QBar.Dll", "old main");
  UseInstallFolder(deepInstall);
  fake.Answer(IDNO, CheckStartupSwept());
  EXPECT_EQ(0, ReplaceLockedModules());
  ExpectLockedBox(__LINE__);
  EXPECT_EQ("old main", ReadFile(deepInstall + "\\QBar.Dll"));
}

TEST(FileVersion, AtLeastComparesTheMostSignificantHalf) {
  std::string v0_3999 = VersionModule("qb_v0_3999");
  EXPECT_TRUE(FileVersionAtLeast(v0_3999.c_str(), 0x00000F9F));
  EXPECT_FALSE(FileVersionAtLeast(v0_3999.c_str(), 0x00000FA0));
  EXPECT_TRUE(FileVersionAtLeast(VersionModule("qb_v4_0").c_str(), 0x00040000));
  EXPECT_FALSE(FileVersionAtLeast(VersionModule("qb_v4_0").c_str(), 0x00040001));
  // 0x80000000 is negative as a signed number: only an unsigned compare fails here.
  EXPECT_FALSE(FileVersionAtLeast(VersionModule("qb_v5_1").c_str(), 0x80000000));
}

TEST(FileVersion, IsComparesBothHalves) {
  std::string v4_4_0_8 = VersionModule("qb_v4_4_0_8");
  EXPECT_TRUE(FileVersionIs(v4_4_0_8.c_str(), 0x00040004, 0x00000008));
  EXPECT_FALSE(FileVersionIs(v4_4_0_8.c_str(), 0x00040004, 0x00000007));
  EXPECT_FALSE(FileVersionIs(v4_4_0_8.c_str(), 0x00040005, 0x00000008));
  EXPECT_TRUE(FileVersionIs(VersionModule("qb_v5_1").c_str(), 0x00050001, 0x0A280000));
}

TEST(FileVersion, FilesWithoutVersionInformationPassNoCheck) {
  for (std::string path : {VersionModule("qb_unversioned"), VersionModule("qb_missing"),
                           TestProgramFolder() + "\\CTestTestfile.cmake"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(FileVersionAtLeast(path.c_str(), 0));
    EXPECT_FALSE(FileVersionIs(path.c_str(), 0, 0));
  }
}

}  // namespace

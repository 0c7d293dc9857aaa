// The registrations that removal takes away and setup never writes: the
// context-menu extension and the desk band.
#include "shell/context_menu.h"
#include "shell/tray_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/shell/registry_spy.h"
#include "tests/support/registry_sandbox.h"

namespace {

const char kClassId[] = "{5A7E2C93-D041-11d2-B3F8-7C2A91E40000}";
const char kApproved[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kAllFiles[] = "*\\Shellex\\ContextMenuHandlers\\Quillbar";
const char kFolders[] = "Folder\\Shellex\\ContextMenuHandlers\\Quillbar";
const char kServer[] = "CLSID\\{5A7E2C93-D041-11d2-B3F8-7C2A91E40000}\\InProcServer32";
const char kClass[] = "CLSID\\{5A7E2C93-D041-11d2-B3F8-7C2A91E40000}";

std::vector<std::string> HandlerDeletions() {
  return {std::string("delete HKCR\\") + kAllFiles, std::string("delete HKCR\\") + kFolders,
          std::string("delete HKCR\\") + kServer, std::string("delete HKCR\\") + kClass};
}

class ContextMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetRegText(HKEY_CLASSES_ROOT, kAllFiles, "", kClassId);
    SetRegText(HKEY_CLASSES_ROOT, kFolders, "", kClassId);
    SetRegText(HKEY_CLASSES_ROOT, kServer, "", "C:\\PROGRA~1\\QUILLBAR\\QBarctx.dll");
    SetRegText(HKEY_CLASSES_ROOT, kServer, "ThreadingModel", "Apartment");
    SetRegText(HKEY_CLASSES_ROOT, kClass, "", "Quillbar context menu");
    // Other programs' handlers beside ours.
    SetRegText(HKEY_CLASSES_ROOT, "*\\Shellex\\ContextMenuHandlers\\Other", "", "{other}");
    SetRegText(HKEY_CLASSES_ROOT, "CLSID\\{other}", "", "Other");
  }
  void ExpectHandlerKeysGoneAndOthersKept() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAllFiles));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kFolders));
    // The class key goes only because its subkey went first.
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClass));
    EXPECT_EQ(std::vector<std::string>({"Other"}),
              SubkeyNames(HKEY_CLASSES_ROOT, "*\\Shellex\\ContextMenuHandlers"));
    EXPECT_EQ(std::vector<std::string>({"{other}"}), SubkeyNames(HKEY_CLASSES_ROOT, "CLSID"));
  }
  RegistrySandbox registry;
};

TEST_F(ContextMenuTest, RemovesKeysDeepestFirstAndTheApprovedValue) {
  SetRegText(HKEY_LOCAL_MACHINE, kApproved, kClassId, "Quillbar context menu");
  SetRegText(HKEY_LOCAL_MACHINE, kApproved, "{other}", "Other");
  RegistrySpy spy;
  RemoveContextMenuExtension();
  std::vector<std::string> expected = HandlerDeletions();
  expected.push_back(std::string("open HKLM\\") + kApproved + " access=0xF003F");
  expected.push_back(std::string("delete-value HKLM\\") + kApproved + " " + kClassId);
  expected.push_back(std::string("close HKLM\\") + kApproved);
  EXPECT_EQ(expected, spy.calls);
  ExpectHandlerKeysGoneAndOthersKept();
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kApproved, kClassId));
  EXPECT_EQ("Other", ReadRegText(HKEY_LOCAL_MACHINE, kApproved, "{other}"));
}

TEST_F(ContextMenuTest, WithoutApprovedKeyTheKeysStillGo) {
  RegistrySpy spy;
  RemoveContextMenuExtension();
  std::vector<std::string> expected = HandlerDeletions();
  expected.push_back(std::string("open HKLM\\") + kApproved + " access=0xF003F FAILED");
  EXPECT_EQ(expected, spy.calls);
  ExpectHandlerKeysGoneAndOthersKept();
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kApproved)) << "nothing is created";
}

TEST_F(ContextMenuTest, NothingRegisteredIsQuiet) {
  RegistrySandbox empty;  // a fresh, empty registry
  SetRegText(HKEY_LOCAL_MACHINE, kApproved, "{other}", "Other");
  RemoveContextMenuExtension();
  EXPECT_EQ("Other", ReadRegText(HKEY_LOCAL_MACHINE, kApproved, "{other}"));
  EXPECT_TRUE(SubkeyNames(HKEY_CLASSES_ROOT, "").empty());
}

const char* const kDeskBandKeys[] = {
    "CLSID\\{E84C1F27-6D5A-4B09-9C3E-51F2A7D6B081}\\Implemented "
    "Categories\\{00021492-0000-0000-C000-000000000046}",
    "CLSID\\{E84C1F27-6D5A-4B09-9C3E-51F2A7D6B081}\\Implemented Categories",
    "CLSID\\{E84C1F27-6D5A-4b09-9C3E-51F2A7D6B081}\\InProcServer32",
    "CLSID\\{E84C1F27-6D5A-4b09-9C3E-51F2A7D6B081}",
};

TEST(DeskBandTest, WithNoKeysFourDeletionsAndNothingElse) {
  RegistrySandbox registry;
  RegistrySpy spy;
  RemoveDeskBand();
  std::vector<std::string> expected;
  for (const char* path : kDeskBandKeys) expected.push_back(std::string("delete HKCR\\") + path);
  EXPECT_EQ(expected, spy.calls);
  EXPECT_TRUE(SubkeyNames(HKEY_CLASSES_ROOT, "").empty());
}

TEST(DeskBandTest, RemovesTheWholeClassWhateverCaseItWasWrittenIn) {
  RegistrySandbox registry;
  // Registered with the class identifier all in lower case.
  const char clsid[] = "CLSID\\{e84c1f27-6d5a-4b09-9c3e-51f2a7d6b081}";
  SetRegText(HKEY_CLASSES_ROOT, clsid, "", "Quillbar desk band");
  SetRegText(HKEY_CLASSES_ROOT, (std::string(clsid) + "\\InProcServer32").c_str(), "",
             "C:\\PROGRA~1\\QUILLBAR\\QBardesk.dll");
  SetRegText(
      HKEY_CLASSES_ROOT,
      (std::string(clsid) + "\\Implemented Categories\\{00021492-0000-0000-C000-000000000046}")
          .c_str(),
      "", "");
  SetRegText(HKEY_CLASSES_ROOT, "CLSID\\{other}", "", "Other");
  RemoveDeskBand();
  EXPECT_EQ(std::vector<std::string>({"{other}"}), SubkeyNames(HKEY_CLASSES_ROOT, "CLSID"));
}

}  // namespace

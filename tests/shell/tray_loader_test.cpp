#include "shell/tray_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/shell/registry_spy.h"
#include "tests/support/fake_outside.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/scratch_folder.h"

namespace {

const char kWinlogon[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const char kStandard[] = "C:\\WINDOWS\\system32\\userinit.exe,";

std::string ShortForm(const std::string& path) {
  char buffer[MAX_PATH];
  DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
  EXPECT_TRUE(length > 0 && length < MAX_PATH) << path;
  return buffer;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}
std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

class TrayLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.windowsFolder = "C:\\WINDOWS";
    // Setup runs from the install folder when it removes the product; a long
    // folder name has a short form that differs from it.
    longFolder = scratch / "Quillbar Install Folder";
    MakeFolder(longFolder);
    fake.modulePath = longFolder + "\\unwise.exe";
    WriteFile(fake.modulePath, "MZ");
    shortFolder = ShortForm(longFolder);
    ASSERT_NE(Lower(longFolder), Lower(shortFolder)) << "no short names on this volume";
    trayLoaderValue = kStandard + shortFolder + "\\qbartray.exe,";
  }
  void SetUserInit(const std::string& value) {
    SetRegText(HKEY_LOCAL_MACHINE, kWinlogon, "UserInit", value);
  }
  std::string UserInit() { return ReadRegText(HKEY_LOCAL_MACHINE, kWinlogon, "UserInit"); }
  // Runs the removal and gives back what it wrote.
  std::vector<std::string> Remove() {
    RegistrySpy spy;
    RemoveTrayLoader();
    return spy.Calls("set");
  }

  RegistrySandbox registry;
  FakeOutside fake;
  ScratchFolder scratch;
  std::string longFolder;
  std::string shortFolder;
  std::string trayLoaderValue;
};

TEST_F(TrayLoaderTest, ExactTrayLoaderValueIsSetBackToTheStandardEntry) {
  SetUserInit(trayLoaderValue);
  RegistrySpy spy;
  RemoveTrayLoader();
  std::string key = std::string("HKLM\\") + kWinlogon;
  EXPECT_EQ((std::vector<std::string>{
                "open " + key + " access=0xF003F",
                "query " + key + " UserInit size=1999",
                "set " + key + " UserInit type=1 size=34 \"" + kStandard + "\"",
                "close " + key,
            }),
            spy.calls);
  EXPECT_EQ(kStandard, UserInit());
}

TEST_F(TrayLoaderTest, AnyLetterCaseIsSetBack) {
  SetUserInit(Upper(trayLoaderValue));
  RemoveTrayLoader();
  EXPECT_EQ(kStandard, UserInit());
  SetUserInit(Lower(trayLoaderValue));
  RemoveTrayLoader();
  EXPECT_EQ(kStandard, UserInit());
}

TEST_F(TrayLoaderTest, TakesSetupsOwnPathWhenNotTold) {
  fake.modulePath.clear();
  char self[MAX_PATH];
  GetModuleFileNameA(NULL, self, MAX_PATH);
  std::string folder = ShortForm(self);
  folder.erase(folder.rfind('\\'));
  SetUserInit(kStandard + folder + "\\QBARTRAY.EXE,");
  RemoveTrayLoader();
  EXPECT_EQ(kStandard, UserInit());
}

TEST_F(TrayLoaderTest, OtherValuesAreLeftAlone) {
  const std::string values[] = {
      kStandard + shortFolder + "\\qbartray.exe",               // no final comma
      trayLoaderValue + "C:\\Tools\\other.exe,",                // a program after it
      std::string(kStandard) + longFolder + "\\qbartray.exe,",  // long folder form
      "C:\\WINDOWS\\system32\\userinit.exe" + shortFolder + "\\qbartray.exe,",   // no comma between
      "D:\\WINDOWS\\system32\\userinit.exe," + shortFolder + "\\qbartray.exe,",  // other Windows
      " " + trayLoaderValue,
  };
  for (const std::string& value : values) {
    SetUserInit(value);
    EXPECT_TRUE(Remove().empty()) << value;
    EXPECT_EQ(value, UserInit());
  }
}

TEST_F(TrayLoaderTest, StandardValueIsNotWrittenAgain) {
  SetUserInit(kStandard);
  EXPECT_TRUE(Remove().empty());
  EXPECT_EQ(kStandard, UserInit());
}

TEST_F(TrayLoaderTest, ValueOverTheReadLimitIsLeftAlone) {
  // The tray loader value padded with NULs: equal as a text, but 2000 bytes.
  std::string value = trayLoaderValue;
  value.resize(2000, '\0');
  SetRegValue(HKEY_LOCAL_MACHINE, kWinlogon, "UserInit", REG_SZ, value.data(), 2000);
  EXPECT_TRUE(Remove().empty());
  // Just within the limit it is read and put back.
  SetRegValue(HKEY_LOCAL_MACHINE, kWinlogon, "UserInit", REG_SZ, value.data(), 1999);
  EXPECT_EQ(1u, Remove().size());
  EXPECT_EQ(kStandard, UserInit());
}

TEST_F(TrayLoaderTest, UnterminatedOrOtherTypedValueIsReadAsItsBytes) {
  SetRegValue(HKEY_LOCAL_MACHINE, kWinlogon, "UserInit", REG_BINARY, trayLoaderValue.data(),
              static_cast<DWORD>(trayLoaderValue.size()));
  RemoveTrayLoader();
  EXPECT_EQ(kStandard, UserInit());
  DWORD type = 0;
  std::vector<unsigned char> data;
  ASSERT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kWinlogon, "UserInit", &type, &data));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
}

TEST_F(TrayLoaderTest, MissingValueOrKeyChangesNothing) {
  SetRegText(HKEY_LOCAL_MACHINE, kWinlogon, "Shell", "explorer.exe");
  EXPECT_TRUE(Remove().empty());
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kWinlogon, "UserInit"));

  RegistrySandbox empty;
  RegistrySpy spy;
  RemoveTrayLoader();
  EXPECT_EQ(
      std::vector<std::string>({std::string("open HKLM\\") + kWinlogon + " access=0xF003F FAILED"}),
      spy.calls);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kWinlogon));
}

TEST_F(TrayLoaderTest, ModulePathWithoutFolderChangesNothing) {
  SetUserInit(trayLoaderValue);
  fake.modulePath = "unwise.exe";
  RegistrySpy spy;
  RemoveTrayLoader();
  EXPECT_TRUE(spy.calls.empty());
  EXPECT_EQ(trayLoaderValue, UserInit());
}

TEST_F(TrayLoaderTest, PathsThatDoNotFitChangeNothing) {
  SetUserInit(trayLoaderValue);
  fake.modulePath = "C:\\" + std::string(300, 'm') + "\\unwise.exe";  // comes back cut
  EXPECT_TRUE(Remove().empty());
  fake.modulePath = longFolder + "\\unwise.exe";
  fake.windowsFolder = "C:\\" + std::string(300, 'w');
  RegistrySpy spy;
  RemoveTrayLoader();
  EXPECT_TRUE(spy.calls.empty());
  EXPECT_EQ(trayLoaderValue, UserInit());
}

}  // namespace

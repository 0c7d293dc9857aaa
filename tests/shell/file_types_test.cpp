#include "shell/file_types.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/shell/registry_spy.h"
#include "tests/support/registry_sandbox.h"

namespace {

const char kProduct[] = "C:\\PROGRA~1\\QUILLBAR\\QUILLBAR.EXE";

struct TypeNames {
  const char* extension;
  const char* progId;
};
const TypeNames kTypes[] = {{".Quillbar", "Quillbar.Script"},
                            {".QBarNote", "Quillbar.Note"},
                            {".QuillbarClip", "Quillbar.Clip"}};

std::vector<std::string> ExpectedDeletions() {
  std::vector<std::string> lines;
  for (const TypeNames& type : kTypes) {
    std::string progId = std::string("delete HKCR\\") + type.progId;
    lines.push_back(std::string("delete HKCR\\") + type.extension);
    lines.push_back(progId + "\\shell\\open\\command");
    lines.push_back(progId + "\\shell\\open");
    lines.push_back(progId + "\\shell");
    lines.push_back(progId + "\\DefaultIcon");
    lines.push_back(progId);
  }
  return lines;
}

std::string SetLine(const std::string& key, const std::string& text) {
  return "set HKCR\\" + key + " (default) type=1 size=" + std::to_string(text.size() + 1) + " \"" +
         text + "\"";
}

// The calls that write one type: ProgID with its icon and open command, then
// the extension.
std::vector<std::string> ExpectedWrites(const TypeNames& type, const std::string& icon,
                                        const std::string& command) {
  std::string progId = type.progId;
  std::string extension = type.extension;
  auto create = [](const std::string& key) { return "create HKCR\\" + key + " access=0x2001F"; };
  auto close = [](const std::string& key) { return "close HKCR\\" + key; };
  return {create(progId),
          create(progId + "\\DefaultIcon"),
          SetLine(progId + "\\DefaultIcon", icon),
          close(progId + "\\DefaultIcon"),
          create(progId + "\\shell"),
          create(progId + "\\shell\\open"),
          create(progId + "\\shell\\open\\command"),
          SetLine(progId + "\\shell\\open\\command", command),
          close(progId + "\\shell\\open\\command"),
          close(progId + "\\shell\\open"),
          close(progId + "\\shell"),
          close(progId),
          create(extension),
          SetLine(extension, progId),
          close(extension)};
}

std::string Icon(const char* progId) {
  return ReadRegText(HKEY_CLASSES_ROOT, (std::string(progId) + "\\DefaultIcon").c_str(), "");
}
std::string Command(const char* progId) {
  return ReadRegText(HKEY_CLASSES_ROOT, (std::string(progId) + "\\shell\\open\\command").c_str(),
                     "");
}

bool NothingOfTheTypesLeft() {
  for (const TypeNames& type : kTypes) {
    if (KeyExists(HKEY_CLASSES_ROOT, type.extension)) return false;
    if (KeyExists(HKEY_CLASSES_ROOT, type.progId)) return false;
  }
  return true;
}

class FileTypesTest : public ::testing::Test {
 protected:
  RegistrySandbox registry;
};

TEST_F(FileTypesTest, RegisterDeletesAllThenWritesEachTypeInOrder) {
  RegistrySpy spy;
  RegisterFileTypes(1, kProduct);
  std::vector<std::string> expected = ExpectedDeletions();
  const char* commands[] = {" *Script RunFile %1", " *Note Open File \"%1\"", " *Clip File \"%1\""};
  const char* icons[] = {",4", ",2", ",8"};
  for (int i = 0; i < 3; ++i) {
    auto writes =
        ExpectedWrites(kTypes[i], std::string("C:\\PROGRA~1\\QUILLBAR\\QUILLBAR.icl") + icons[i],
                       std::string(kProduct) + commands[i]);
    expected.insert(expected.end(), writes.begin(), writes.end());
  }
  EXPECT_EQ(expected, spy.calls);
}

TEST_F(FileTypesTest, RegisterLeavesTheThreeTypesInTheRegistry) {
  RegisterFileTypes(1, kProduct);
  EXPECT_EQ("Quillbar.Script", ReadRegText(HKEY_CLASSES_ROOT, ".Quillbar", ""));
  EXPECT_EQ("Quillbar.Note", ReadRegText(HKEY_CLASSES_ROOT, ".QBarNote", ""));
  EXPECT_EQ("Quillbar.Clip", ReadRegText(HKEY_CLASSES_ROOT, ".QuillbarClip", ""));
  EXPECT_EQ("C:\\PROGRA~1\\QUILLBAR\\QUILLBAR.icl,4", Icon("Quillbar.Script"));
  EXPECT_EQ("C:\\PROGRA~1\\QUILLBAR\\QUILLBAR.icl,2", Icon("Quillbar.Note"));
  EXPECT_EQ("C:\\PROGRA~1\\QUILLBAR\\QUILLBAR.icl,8", Icon("Quillbar.Clip"));
  EXPECT_EQ("C:\\PROGRA~1\\QUILLBAR\\QUILLBAR.EXE *Script RunFile %1", Command("Quillbar.Script"));
  EXPECT_EQ("C:\\PROGRA~1\\QUILLBAR\\QUILLBAR.EXE *Note Open File \"%1\"",
            Command("Quillbar.Note"));
  EXPECT_EQ("C:\\PROGRA~1\\QUILLBAR\\QUILLBAR.EXE *Clip File \"%1\"", Command("Quillbar.Clip"));
  EXPECT_EQ(std::vector<std::string>({"DefaultIcon", "shell"}),
            SubkeyNames(HKEY_CLASSES_ROOT, "Quillbar.Note"));
}

TEST_F(FileTypesTest, NoteExtensionValueIsFourteenBytes) {
  RegisterFileTypes(1, kProduct);
  DWORD type = 0;
  std::vector<unsigned char> data;
  ASSERT_TRUE(ReadRegValue(HKEY_CLASSES_ROOT, ".QBarNote", "", &type, &data));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(std::string("Quillbar.Note", 14), std::string(data.begin(), data.end()));
}

TEST_F(FileTypesTest, RemoveOnlyDeletesAndCreatesNothing) {
  RegisterFileTypes(1, kProduct);
  SetRegText(HKEY_CLASSES_ROOT, ".txt", "", "txtfile");
  RegistrySpy spy;
  RegisterFileTypes(0, "");
  EXPECT_EQ(ExpectedDeletions(), spy.calls);
  // ProgID keys go too, subkeys and all.
  EXPECT_TRUE(NothingOfTheTypesLeft());
  EXPECT_EQ(std::vector<std::string>({".txt"}), SubkeyNames(HKEY_CLASSES_ROOT, ""));
}

TEST_F(FileTypesTest, RemoveOnlyDoesNotReadTheProductPath) {
  RegistrySpy spy;
  RegisterFileTypes(0, nullptr);
  EXPECT_EQ(ExpectedDeletions(), spy.calls);
}

TEST_F(FileTypesTest, RegisterReplacesWhatAnEarlierVersionLeft) {
  SetRegText(HKEY_CLASSES_ROOT, "Quillbar.Note\\DefaultIcon", "", "C:\\OLD\\OLD.icl,9");
  SetRegText(HKEY_CLASSES_ROOT, "Quillbar.Note\\DefaultIcon", "Stale", "left over");
  SetRegText(HKEY_CLASSES_ROOT, "Quillbar.Note\\shell\\open\\command", "", "C:\\OLD\\OLD.EXE %1");
  SetRegText(HKEY_CLASSES_ROOT, ".QBarNote", "", "Old.Note");
  SetRegText(HKEY_CLASSES_ROOT, ".QBarNote", "Content Type", "text/old");
  RegisterFileTypes(1, kProduct);
  // Deleted before written: only the new values are there.
  EXPECT_EQ("C:\\PROGRA~1\\QUILLBAR\\QUILLBAR.icl,2", Icon("Quillbar.Note"));
  EXPECT_FALSE(ValueExists(HKEY_CLASSES_ROOT, "Quillbar.Note\\DefaultIcon", "Stale"));
  EXPECT_EQ("C:\\PROGRA~1\\QUILLBAR\\QUILLBAR.EXE *Note Open File \"%1\"",
            Command("Quillbar.Note"));
  EXPECT_EQ("Quillbar.Note", ReadRegText(HKEY_CLASSES_ROOT, ".QBarNote", ""));
  EXPECT_FALSE(ValueExists(HKEY_CLASSES_ROOT, ".QBarNote", "Content Type"));
}

TEST_F(FileTypesTest, DotOnlyInAFolderNameCutsThereForTheIconLibrary) {
  RegisterFileTypes(1, "C:\\QUILL.BAR\\QUILLBAR");
  EXPECT_EQ("C:\\QUILL.icl,4", Icon("Quillbar.Script"));
  EXPECT_EQ("C:\\QUILL.BAR\\QUILLBAR *Script RunFile %1", Command("Quillbar.Script"));
}

TEST_F(FileTypesTest, PathWithoutAnyDotIsTheIconLibraryAsItIs) {
  RegisterFileTypes(1, "C:\\QUILLBAR\\QUILLBAR");
  EXPECT_EQ("C:\\QUILLBAR\\QUILLBAR,8", Icon("Quillbar.Clip"));
}

TEST_F(FileTypesTest, PathStillHoldingABlankIsQuotedInTheCommands) {
  RegisterFileTypes(1, "C:\\Program Files\\Quillbar\\Quillbar.exe");
  EXPECT_EQ("\"C:\\Program Files\\Quillbar\\Quillbar.exe\" *Script RunFile %1",
            Command("Quillbar.Script"));
  EXPECT_EQ("\"C:\\Program Files\\Quillbar\\Quillbar.exe\" *Note Open File \"%1\"",
            Command("Quillbar.Note"));
  EXPECT_EQ("\"C:\\Program Files\\Quillbar\\Quillbar.exe\" *Clip File \"%1\"",
            Command("Quillbar.Clip"));
  // The icon value is a path and an index, never a command line.
  EXPECT_EQ("C:\\Program Files\\Quillbar\\Quillbar.icl,4", Icon("Quillbar.Script"));
}

TEST_F(FileTypesTest, ProductPathOfMaxPathIsWrittenWhole) {
  std::string path = "C:\\" + std::string(250, 'Q') + "\\Q.EXE";
  ASSERT_EQ(259u, path.size());
  RegisterFileTypes(1, path.c_str());
  EXPECT_EQ(path + " *Note Open File \"%1\"", Command("Quillbar.Note"));
  EXPECT_EQ(path.substr(0, path.size() - 4) + ".icl,2", Icon("Quillbar.Note"));
}

TEST_F(FileTypesTest, OverLongProductPathRegistersNothing) {
  RegisterFileTypes(1, kProduct);
  std::string path = "C:\\" + std::string(300, 'Q') + "\\Q.EXE";
  RegistrySpy spy;
  RegisterFileTypes(1, path.c_str());
  EXPECT_EQ(ExpectedDeletions(), spy.calls);
  EXPECT_TRUE(NothingOfTheTypesLeft());
}

// A ProgID key that nobody may write to, holding a subkey of another
// program's so that it cannot be deleted either (Wine does not enforce a
// denied DELETE, but no system deletes a key that has subkeys).
class LockedKey {
 public:
  explicit LockedKey(const char* path) : path_(path) {
    SetRegText(HKEY_CLASSES_ROOT, path, "", "locked");
    SetRegText(HKEY_CLASSES_ROOT, (path_ + "\\OtherProgram").c_str(), "", "theirs");
    Apply("D:(D;;0x10006;;;WD)(A;;KA;;;WD)");  // no delete, set value or new subkeys
  }
  ~LockedKey() { Apply("D:(A;;KA;;;WD)"); }

 private:
  void Apply(const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                     &descriptor, NULL));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, path_.c_str(), 0, WRITE_DAC, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
    RegCloseKey(key);
    LocalFree(descriptor);
  }
  std::string path_;
};

TEST_F(FileTypesTest, ExtensionIsWrittenWhenItsProgIdKeyCannotBeCreated) {
  LockedKey locked("Quillbar.Note");
  HKEY probe;
  ASSERT_NE(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "Quillbar.Note", 0, NULL, 0,
                                           KEY_READ | KEY_WRITE, NULL, &probe, NULL))
      << "the key is not locked for real";
  RegistrySpy spy;
  RegisterFileTypes(1, kProduct);
  std::vector<std::string> calls = spy.Calls("create");
  std::vector<std::string> noteCalls(calls.begin() + 6, calls.begin() + 8);
  EXPECT_EQ(std::vector<std::string>({"create HKCR\\Quillbar.Note access=0x2001F FAILED",
                                      "create HKCR\\.QBarNote access=0x2001F"}),
            noteCalls);
  EXPECT_EQ("Quillbar.Note", ReadRegText(HKEY_CLASSES_ROOT, ".QBarNote", ""));
  EXPECT_EQ("locked", ReadRegText(HKEY_CLASSES_ROOT, "Quillbar.Note", ""));
  EXPECT_EQ(std::vector<std::string>({"OtherProgram"}),
            SubkeyNames(HKEY_CLASSES_ROOT, "Quillbar.Note"));
  // The type after it is written whole.
  EXPECT_EQ("C:\\PROGRA~1\\QUILLBAR\\QUILLBAR.EXE *Clip File \"%1\"", Command("Quillbar.Clip"));
  EXPECT_EQ("Quillbar.Clip", ReadRegText(HKEY_CLASSES_ROOT, ".QuillbarClip", ""));
}

}  // namespace

// The self-extractor with folders whose names a code page splits or cannot
// spell. CTest runs this program under code page 932 (LANG=ja_JP.UTF-8),
// where 表 is the bytes 0x95 0x5C and 0x5C is a backslash; the folder goes
// in as the installer sends it, ANSI, or as UTF-16 where 932 has no spelling.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"
#include "tools/tests/extractor_process.h"
#include "tools/tests/sfx_test_files.h"

namespace {

std::vector<std::wstring> ListFolderW(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

std::string ReadFileW(const std::wstring& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(missing)";
  std::string content(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  if (!content.empty())
    ::ReadFile(file, &content[0], static_cast<DWORD>(content.size()), &read, nullptr);
  CloseHandle(file);
  return content;
}

void DeleteTreeW(const std::wstring& path) {
  for (const std::wstring& name : ListFolderW(path)) {
    std::wstring inner = path + L"\\" + name;
    if (GetFileAttributesW(inner.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteTreeW(inner);
    } else {
      DeleteFileW(inner.c_str());
    }
  }
  RemoveDirectoryW(path.c_str());
}

struct FolderCase {
  const wchar_t* top;     // made under the scratch folder; removed afterwards
  const wchar_t* folder;  // typed into the extractor, under the scratch folder
  const char* archive;
  bool unpacks;
};

TEST(UnicodeFolderTest, FilesLandInTheFolderAsNamedAndAnErrorNamesItInFull) {
  ASSERT_EQ(932u, GetACP()) << "CTest runs this with LANG=ja_JP.UTF-8";
  const FolderCase cases[] = {
      {L"Tools", L"Tools\\表", "good.exe", true},
      // Greek with accents: code page 932 cannot spell it.
      {L"Πρόγραμμα表", L"Πρόγραμμα表\\Quillbar", "good.exe", true},
      {L"Πρόγραμμα表", L"Πρόγραμμα表\\Quillbar", "crc.exe", false},
  };
  for (const FolderCase& test : cases) {
    SCOPED_TRACE(Narrow(test.folder) + " " + test.archive);
    ScratchFolder scratch;
    std::wstring folder = Wide(scratch.path()) + L"\\" + test.folder;
    ExtractorProcess extractor;
    ASSERT_TRUE(extractor.Start(test.archive, scratch.path()));
    extractor.Unzip(folder);
    if (test.unpacks) {
      HWND done = WaitForTitle(kExtractorDoneTitle, 30000);
      ASSERT_NE(nullptr, done) << "no completion box";
      std::vector<std::wstring> expected;
      for (const char* const* name = ProductNames(); *name; ++name) {
        expected.push_back(Wide(*name));
        EXPECT_TRUE(ReadFile(TestArchive(std::string("product\\") + *name)) ==
                    ReadFileW(folder + L"\\" + Wide(*name)))
            << *name << " differs or is missing";
      }
      EXPECT_EQ(expected, ListFolderW(folder));
      // Nothing landed beside it under a name cut at a 0x5C byte.
      std::wstring parent = folder.substr(0, folder.rfind(L'\\'));
      EXPECT_EQ(std::vector<std::wstring>{folder.substr(parent.size() + 1)}, ListFolderW(parent));
      SendMessageA(done, WM_COMMAND, IDCANCEL, 0);
    } else {
      HWND error = WaitForTitle(kExtractorErrorTitle, 30000);
      ASSERT_NE(nullptr, error) << "no error box";
      wchar_t text[1024] = L"garbage";
      GetDlgItemTextW(error, 0xFFFF, text, 1024);  // a message box's text
      EXPECT_EQ(0u, std::wstring(text).find(L"Nothing was changed in " + folder + L": "))
          << Narrow(text);
      SendMessageA(error, WM_COMMAND, IDOK, 0);
    }
    DeleteTreeW(Wide(scratch.path()) + L"\\" + test.top);
  }
}

}  // namespace

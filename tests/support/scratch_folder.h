// A fresh folder under the temporary folder for one test, removed with all
// it holds afterwards.
#pragma once

#include <string>
#include <vector>

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
void MakeFolder(const std::string& path);
void DeleteTree(const std::string& path);
// Names in a folder (files and folders, without "." and ".."), sorted.
std::vector<std::string> ListFolder(const std::string& path);
// The folder the test executable lives in, where the build puts what it uses.
std::string TestProgramFolder();

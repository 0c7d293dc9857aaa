// Records the registry calls the program makes, in order, while passing each
// on to the real call: the test program's import table entries for the
// registry functions are pointed at recorders for the spy's lifetime. Keep a
// spy's scope to the call under test, since the test's own registry helpers
// go through the same entries.
//
// One line per call, keys named from their root ("HKCR\Quillbar.Note\shell"):
//   open HKLM\path access=0xF003F            (" FAILED" appended on failure)
//   create HKCR\path access=0x2001F          (" class=..", " options=..",
//                                              " security" when not the plain
//                                              form; " FAILED" on failure)
//   set HKCR\path (default) type=1 size=14 "Quillbar.Note"
//   query HKLM\path UserInit size=1999
//   delete HKCR\path
//   delete-value HKLM\path name
//   close HKCR\path
#pragma once

#include <string>
#include <vector>

class RegistrySpy {
 public:
  RegistrySpy();
  ~RegistrySpy();
  RegistrySpy(const RegistrySpy&) = delete;
  RegistrySpy& operator=(const RegistrySpy&) = delete;

  std::vector<std::string> calls;
  // Only the lines that begin with kind ("set", "delete"...).
  std::vector<std::string> Calls(const std::string& kind) const;
};

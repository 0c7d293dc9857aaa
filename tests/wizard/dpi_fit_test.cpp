// Every label of the wizard's pages and of the self-extractor's windows fits
// its control at 100%, 150% and 200% (96, 144 and 192 DPI), as both programs
// draw them at the monitor's DPI. Wine takes the DPI from LogPixels when a
// process starts, so each DPI is measured by a probe process (dpi_probe.cpp)
// started after the value is set; the value is put back afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_folder.h"

namespace {

const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

void SetLogPixels(DWORD dpi) {
  EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD,
                                           &dpi, sizeof dpi));
}

// Runs the probe at that DPI; its exit code, and what it printed in output.
DWORD RunProbe(int dpi, const std::string& outputFile, std::string* output) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
  HANDLE out = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, 0, NULL);
  EXPECT_NE(INVALID_HANDLE_VALUE, out);
  std::string folder = TestProgramFolder();
  std::string commandLine = "\"" + folder + "\\dpi_probe.exe\" " + std::to_string(dpi) + " \"" +
                            folder + "\\" + QB_EXTRACTOR_FROM_TESTS + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process = {};
  DWORD code = 255;
  if (CreateProcessA(NULL, &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  *output = ReadFile(outputFile);
  return code;
}

TEST(DpiFitTest, EveryLabelFitsItsControlAt96_144And192Dpi) {
  ScratchFolder scratch;
  DWORD old = 0, size = sizeof old;
  bool had = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, NULL,
                          &old, &size) == ERROR_SUCCESS;
  for (int dpi : {96, 144, 192}) {
    SetLogPixels(dpi);
    std::string output;
    EXPECT_EQ(0u, RunProbe(dpi, scratch / "probe.txt", &output)) << "at " << dpi << " DPI:\n"
                                                                 << output;
  }
  // Put back as it was: later tests in this prefix draw at its DPI.
  if (had) {
    SetLogPixels(old);
  } else {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
  }
}

}  // namespace

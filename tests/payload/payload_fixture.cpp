#include "tests/payload/payload_fixture.h"

#include <windows.h>

#include <string.h>

#include "setup/setup_state.h"
#include "tests/support/pinned_payload.h"

const std::vector<std::string> kPluginNames = {
    "QBarClock.dll",  "QBarCpu.dll",   "QBarDisk.dll",    "QBarMail.dll",    "QBarMem.dll",
    "QBarNet.dll",    "QBarNotes.dll", "QBarPower.dll",   "QBarRecent.dll",  "QBarRun.dll",
    "QBarSearch.dll", "QBarTasks.dll", "QBarVolume.dll",  "QBarWeather.dll", "QBarClock.txt",
    "QBarMail.chm",   "QBarNotes.txt", "QBarWeather.htm", "PluginSrc.zip"};

const std::vector<std::string> kSampleNames = {"default.qcf",  "empty.qcf",   "tiered.qcf",
                                               "showcase.qcf", "cascade.qcf", "demo.qcf"};

PayloadTest::PayloadTest()
    : setupFolder(scratch / "setup"),
      installFolder(scratch / "install"),
      configFolder(scratch / "config") {
  memset(&setupState, 0, sizeof setupState);
  ClearPayloadPin();
  MakeFolder(setupFolder);
  MakeFolder(installFolder);
  MakeFolder(configFolder);
  fake.modulePath = setupFolder + "\\setup.exe";
  UseInstallFolder(installFolder);
}

PayloadTest::~PayloadTest() {
  memset(&setupState, 0, sizeof setupState);
  ClearPayloadPin();
}

void PayloadTest::UseInstallFolder(const std::string& folder) {
  ASSERT_LT(folder.size(), size_t(MAX_PATH));
  strcpy(setupState.installFolder, folder.c_str());
}

void PayloadTest::UseConfigFolder(const std::string& folder) {
  ASSERT_LT(folder.size(), size_t(MAX_PATH));
  strcpy(setupState.configFolder, folder.c_str());
}

std::string PathOfLength(const std::string& folder, size_t length) {
  std::string path = folder + "\\";
  if (path.size() < length) path.append(length - path.size(), 'x');
  return path;
}

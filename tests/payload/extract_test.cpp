#include "payload/extract.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "setup/setup_state.h"
#include "tests/payload/fake_extractor.h"
#include "tests/payload/payload_fixture.h"
#include "tests/support/pinned_payload.h"

namespace {

const char kErrorCaption[] = "Quillbar Setup Error";
const char kMissingArchive[] = "Cannot find qbar47.dat file in setup.exe folder";
const char kCopyFailed[] = "Cannot create qbar!ins.exe file";
const char kForeignPayload[] =
    "The qbar47.dat file in the setup.exe folder is damaged or does not belong to this setup.";
const char kMainTitle[] = "WinZip Self-Extractor - qbar!ins.exe";
const char kCompletionTitle[] = "WinZip Self-Extractor";

// The extractors that run as processes of their own (extractor_stand_in.cpp).
std::string StandIn() {
  return TestProgramFolder() + "\\extractor_stand_in.exe";
}

// The process's top-level window of that title, waited for in real time.
HWND WindowOf(HANDLE process, const char* title, DWORD timeoutMs) {
  for (DWORD start = GetTickCount();; Sleep(20)) {
    for (HWND window = NULL; (window = FindWindowExA(NULL, window, NULL, title)) != NULL;) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == GetProcessId(process)) return window;
    }
    if (GetTickCount() - start > timeoutMs) return NULL;
  }
}

// The payload driven through the stand-in extractor: the launched "program"
// shows its main window at once unless a test says otherwise, and every
// virtual sleep lets the windows handle what was posted to them.
class ExtractTest : public PayloadTest {
 protected:
  ExtractTest() : productFolder(scratch / "product"), extractor(fake, productFolder) {
    MakeFolder(productFolder);
    for (const std::string& name : kPluginNames)
      WriteFile(productFolder + "\\" + name, "new " + name);
    for (const std::string& name : kSampleNames)
      WriteFile(productFolder + "\\" + name, "new " + name);
    WriteFile(productFolder + "\\Quillbar.exe", "new Quillbar.exe");
    payload = WritePinnedPayload(setupFolder + "\\qbar47.dat");
    fake.launch = [this](const char*, UINT show) {
      launchShow = show;
      if (opensAtOnce) extractor.Open(withProgressBar);
      return 33u;
    };
    fake.onSleep = [this](DWORD now) {
      if (meanwhile) meanwhile(now);
      extractor.Pump();
    };
  }

  std::string CopyPath() const { return setupFolder + "\\qbar!ins.exe"; }

  void ExpectErrorBoxes(const std::vector<std::string>& texts, int line) {
    SCOPED_TRACE("called from line " + std::to_string(line));
    ASSERT_EQ(texts.size(), fake.boxes.size());
    for (size_t i = 0; i < texts.size(); ++i) {
      EXPECT_EQ(texts[i], fake.boxes[i].text);
      EXPECT_EQ(kErrorCaption, fake.boxes[i].caption);
      EXPECT_EQ(UINT(MB_OK | MB_TOPMOST), fake.boxes[i].style);
    }
  }

  size_t SleepsOf(DWORD milliseconds) const {
    return std::count(fake.sleeps.begin(), fake.sleeps.end(), milliseconds);
  }

  std::vector<std::string> EventNames() const {
    std::vector<std::string> names;
    for (const auto& event : extractor.events) names.push_back(event.what);
    return names;
  }

  // The plug-ins were left where the extractor put them.
  void ExpectPluginsNotPlaced(int line) {
    SCOPED_TRACE("called from line " + std::to_string(line));
    EXPECT_FALSE(PathExists(installFolder + "\\plugins"));
    for (const std::string& name : kPluginNames)
      EXPECT_TRUE(PathExists(installFolder + "\\" + name));
  }

  std::string productFolder;
  std::string payload;  // the pinned qbar47.dat's bytes
  FakeExtractor extractor;
  bool opensAtOnce = true;
  bool withProgressBar = false;
  UINT launchShow = 0;
  std::function<void(DWORD now)> meanwhile;
};

TEST_F(ExtractTest, MissingArchiveShowsOneBoxAndMakesNoCopy) {
  DeleteFileA((setupFolder + "\\qbar47.dat").c_str());
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
  ExpectErrorBoxes({kMissingArchive}, __LINE__);
  EXPECT_EQ(setupFolder + "\\qbar47.dat", setupState.payloadArchivePath);
  EXPECT_EQ(CopyPath(), setupState.extractorCopyPath) << "set even when the archive is missing";
  EXPECT_FALSE(PathExists(CopyPath()));
  EXPECT_TRUE(fake.launches.empty());
}

TEST_F(ExtractTest, AnotherMissingArchiveNameIsStillReportedAsQbar47) {
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload("other.dat"));
  ExpectErrorBoxes({kMissingArchive}, __LINE__);
  EXPECT_EQ(setupFolder + "\\other.dat", setupState.payloadArchivePath);
}

TEST_F(ExtractTest, CopyRefusedTwiceOneSecondApartStops) {
  // An extractor copy still held open by its earlier run cannot be replaced.
  WriteFile(CopyPath(), "old copy");
  HANDLE held = CreateFileA(CopyPath().c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
  CloseHandle(held);
  ExpectErrorBoxes({kCopyFailed}, __LINE__);
  EXPECT_EQ(std::vector<DWORD>{1000}, fake.sleeps);
  EXPECT_TRUE(fake.launches.empty());
  EXPECT_EQ("old copy", ReadFile(CopyPath()));
}

TEST_F(ExtractTest, CopyThatSucceedsASecondLaterGoesOnSilently) {
  WriteFile(CopyPath(), "old copy");
  HANDLE held = CreateFileA(CopyPath().c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  meanwhile = [&](DWORD now) {
    if (now == 1000 && held != INVALID_HANDLE_VALUE) {
      CloseHandle(held);
      held = INVALID_HANDLE_VALUE;
    }
  };
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  EXPECT_TRUE(fake.boxes.empty());
  ASSERT_FALSE(fake.sleeps.empty());
  EXPECT_EQ(1000u, fake.sleeps[0]);
  EXPECT_EQ(payload, ReadFile(CopyPath()));
  EXPECT_EQ(1u, fake.launches.size());
}

// Anything but the payload whose digest the program carries is refused
// before it runs, and so is every payload in a program never stamped.
TEST_F(ExtractTest, OnlyThePinnedPayloadIsRun) {
  const std::string archive = setupFolder + "\\qbar47.dat";
  std::string changed = payload;
  changed[changed.size() - 1] ^= 1;
  const struct {
    const char* what;
    std::function<void()> arrange;
  } cases[] = {
      {"the payload with its last byte changed", [&] { WriteFile(archive, changed); }},
      {"a file that is no program", [&] { WriteFile(archive, "archive"); }},
      {"the payload, in a program never stamped", [&] { ClearPayloadPin(); }},
  };
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.what);
    payload = WritePinnedPayload(archive);
    refused.arrange();
    fake.boxes.clear();
    fake.Answer(IDOK);
    EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
    ExpectErrorBoxes({kForeignPayload}, __LINE__);
    EXPECT_TRUE(fake.launches.empty());
    EXPECT_TRUE(fake.sleeps.empty());
    EXPECT_TRUE(extractor.events.empty());
  }
}

// From its check until unpacking has ended, nobody can write or rename the
// copy that runs; afterwards the end of the setup can delete it.
TEST_F(ExtractTest, TheCopyIsHeldFromItsCheckUntilUnpackingHasEnded) {
  std::vector<std::string> seen;
  auto probe = [&](const std::string& when) {
    HANDLE writer = CreateFileA(CopyPath().c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, 0, NULL);
    bool writable = writer != INVALID_HANDLE_VALUE;
    if (writable) CloseHandle(writer);
    std::string moved = CopyPath() + ".moved";
    bool renamable = MoveFileA(CopyPath().c_str(), moved.c_str());
    if (renamable) MoveFileA(moved.c_str(), CopyPath().c_str());
    seen.push_back(when + (writable ? " writable" : "") + (renamable ? " renamable" : ""));
  };
  auto launch = fake.launch;
  fake.launch = [&](const char* commandLine, UINT show) {
    probe("started");
    return launch(commandLine, show);
  };
  meanwhile = [&](DWORD now) {
    if (now == 333) probe("unpacking");  // the stand-in unpacks during this check
  };
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  probe("returned");
  EXPECT_EQ((std::vector<std::string>{"started", "unpacking", "returned writable renamable"}),
            seen);
  EXPECT_TRUE(DeleteFileA(CopyPath().c_str()));
}

TEST_F(ExtractTest, WinExecResultOf32OrLessShowsTheResultThenTheCopyPath) {
  for (UINT result : {0u, 2u, 32u}) {
    SCOPED_TRACE("WinExec result " + std::to_string(result));
    fake.boxes.clear();
    fake.launches.clear();
    fake.launch = [result](const char*, UINT) { return result; };
    fake.Answer(IDOK);
    fake.Answer(IDOK);
    EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
    ExpectErrorBoxes({"Unable to winexec unzip program " + std::to_string(result), CopyPath()},
                     __LINE__);
    ASSERT_EQ(1u, fake.launches.size());
    EXPECT_EQ("\"" + CopyPath() + "\"", fake.launches[0]);
    EXPECT_EQ(payload, ReadFile(CopyPath()));
    EXPECT_TRUE(fake.sleeps.empty());
  }
}

TEST_F(ExtractTest, SuccessDrivesTheExtractorAndPlacesEveryFile) {
  UseConfigFolder(configFolder);
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  EXPECT_TRUE(fake.boxes.empty());
  ASSERT_EQ(1u, fake.launches.size());
  EXPECT_EQ("\"" + CopyPath() + "\"", fake.launches[0]);
  EXPECT_EQ(UINT(SW_SHOW), launchShow);

  // Found at once; IDOK posted and handled during the first 333 ms check;
  // the box disabled, a second's pause, IDCANCEL sent, then WM_CLOSE sent.
  EXPECT_EQ(installFolder, extractor.destination);
  EXPECT_EQ((std::vector<DWORD>{333, 1000}), fake.sleeps);
  ASSERT_EQ((std::vector<std::string>{"start", "box shown", "cancel disabled sent", "close sent"}),
            EventNames());
  EXPECT_EQ(333u, extractor.events[0].at);
  EXPECT_EQ(1333u, extractor.events[2].at);
  EXPECT_EQ(NULL, extractor.mainWindow()) << "closed";

  for (const std::string& name : kPluginNames) {
    EXPECT_EQ("new " + name, ReadFile(installFolder + "\\plugins\\" + name));
    EXPECT_FALSE(PathExists(installFolder + "\\" + name)) << name;
  }
  EXPECT_EQ("new Quillbar.exe", ReadFile(installFolder + "\\Quillbar.exe"));
  for (const std::string& name : kSampleNames) {
    EXPECT_EQ("new " + name, ReadFile(configFolder + "\\" + name));
    EXPECT_TRUE(PathExists(installFolder + "\\" + name)) << "copied, not moved: " << name;
  }
  EXPECT_EQ("new default.qcf", ReadFile(configFolder + "\\Qbarconf.qcf"));
  EXPECT_EQ(kSampleNames.size() + 1, ListFolder(configFolder).size());
}

TEST_F(ExtractTest, MainWindowFirstFoundAtTheEightiethAttemptIsUsed) {
  opensAtOnce = false;
  meanwhile = [&](DWORD now) {
    if (now == 79 * 200) extractor.Open();  // after the 79th failed attempt's pause
  };
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(79u, SleepsOf(200));
  EXPECT_EQ(installFolder, extractor.destination);
  EXPECT_TRUE(PathExists(installFolder + "\\plugins\\QBarClock.dll"));
}

TEST_F(ExtractTest, MainWindowNeverFoundGivesUpAfterEightyAttempts) {
  opensAtOnce = false;
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
  ExpectErrorBoxes({"Unable to run unzip program."}, __LINE__);
  EXPECT_EQ(std::vector<DWORD>(80, 200), fake.sleeps);
  EXPECT_FALSE(PathExists(installFolder + "\\plugins"));
}

TEST_F(ExtractTest, CompletionBoxNeverFoundStopsBeforePluginsAndSamples) {
  UseConfigFolder(configFolder);
  extractor.completes = false;
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
  ExpectErrorBoxes({"cannot complete unzip"}, __LINE__);
  EXPECT_EQ(std::vector<DWORD>(60, 333), fake.sleeps);
  EXPECT_EQ(std::vector<std::string>{"start"}, EventNames()) << "the main window is not closed";
  EXPECT_TRUE(IsWindow(extractor.mainWindow()));
  ExpectPluginsNotPlaced(__LINE__);
  EXPECT_TRUE(ListFolder(configFolder).empty());
}

// A slow unpack is not a stalled one: a check at which the progress bar has
// moved does not count, however long the unpack takes.
TEST_F(ExtractTest, AnExtractorWhoseProgressMovesIsWaitedForPastTwentySeconds) {
  withProgressBar = true;
  extractor.completes = false;
  meanwhile = [&](DWORD now) {
    if (now < 30000) {
      extractor.MoveProgress();
    } else if (EventNames() == std::vector<std::string>{"start"}) {
      extractor.Complete();
    }
  };
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  EXPECT_TRUE(fake.boxes.empty());
  ASSERT_GE(extractor.events.size(), 2u);
  EXPECT_EQ("box shown", extractor.events[1].what);
  EXPECT_GE(extractor.events[1].at, 30000u);
}

// A stalled extractor, a process of its own: setup gives up after 60 checks
// at which its progress bar stood still, and ends it before saying so.
TEST_F(ExtractTest, AStalledExtractorIsGivenUpOnAfterSixtyStillChecksAndEnded) {
  fake.UseRealLaunchOf(StandIn());
  DWORD whenTold = WAIT_TIMEOUT;
  fake.Answer(IDOK, [&] { whenTold = WaitForSingleObject(fake.launchedProcess, 0); });
  EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
  ExpectErrorBoxes({"cannot complete unzip"}, __LINE__);
  EXPECT_EQ(std::vector<DWORD>(60, 333), fake.sleeps);
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), whenTold) << "its process has been ended";
}

// The started extractor's windows are told from those of other programs with
// the same titles (another product's completion box, a second copy of the
// extractor), which are never typed into, disabled, commanded or closed.
TEST_F(ExtractTest, OtherProgramsWindowsWithTheExtractorsTitlesAreNeverTouched) {
  PROCESS_INFORMATION other = {};
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string command = "\"" + StandIn() + "\" other";
  ASSERT_TRUE(
      CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &other));
  WaitForInputIdle(other.hProcess, 10000);
  // Its windows come first: the stand-in opens its own only later.
  opensAtOnce = false;
  meanwhile = [&](DWORD now) {
    if (now == 400) extractor.Open();
  };
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  EXPECT_EQ((std::vector<std::string>{"start", "box shown", "cancel disabled sent", "close sent"}),
            EventNames());
  for (const char* title : {kMainTitle, kCompletionTitle}) {
    HWND window = WindowOf(other.hProcess, title, 0);
    ASSERT_TRUE(window != NULL) << title;
    DWORD_PTR received = 99;
    SendMessageTimeoutA(window, WM_APP, 0, 0, SMTO_BLOCK, 5000, &received);
    EXPECT_EQ(0u, received) << "commands, closes or enablings that reached " << title;
    if (title == kMainTitle) {
      char typed[MAX_PATH] = "garbage";
      GetDlgItemTextA(window, 106, typed, sizeof typed);
      EXPECT_STREQ("", typed) << "nothing typed into its field";
    }
  }
  TerminateProcess(other.hProcess, 0);
  CloseHandle(other.hProcess);
  CloseHandle(other.hThread);
}

// An extractor that ends without its completion box (its user closed it, it
// crashed) is answered within a second, not after twenty.
TEST_F(ExtractTest, AnExtractorThatEndsWithoutItsCompletionBoxIsAnsweredAtOnce) {
  fake.UseRealLaunchOf(StandIn(), "vanish");
  meanwhile = [&](DWORD) { WaitForSingleObject(fake.launchedProcess, 10000); };
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
  ExpectErrorBoxes({"cannot complete unzip"}, __LINE__);
  EXPECT_LE(fake.now, 1000u);
}

// While the extractor shows its user a box of its own (why its unpack
// failed), setup neither gives up on it nor ends it, however long the user
// reads; once the box is closed and the extractor has ended, setup says so
// at once.
TEST_F(ExtractTest, AnExtractorShowingABoxOfItsOwnIsWaitedForAndNeverEnded) {
  fake.UseRealLaunchOf(StandIn(), "complain");
  HWND box = NULL;
  DWORD closedAt = 0;
  meanwhile = [&](DWORD now) {
    if (!box) box = WindowOf(fake.launchedProcess, "Self-Extractor Error", 10000);
    if (now < 30000 || closedAt || !box) return;
    closedAt = now;
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    WaitForSingleObject(fake.launchedProcess, 10000);
  };
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
  ExpectErrorBoxes({"cannot complete unzip"}, __LINE__);
  ASSERT_GE(closedAt, 30000u) << "the box was up until the test closed it";
  EXPECT_LE(fake.now - closedAt, 1000u);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(fake.launchedProcess, &code);
  EXPECT_EQ(0u, code) << "it ended by itself, not ended by setup";
}

TEST_F(ExtractTest, WithoutConfigFolderPluginsArePlacedAndNothingIsCopied) {
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  EXPECT_EQ(kPluginNames.size(), ListFolder(installFolder + "\\plugins").size());
  EXPECT_TRUE(ListFolder(configFolder).empty());
  EXPECT_FALSE(PathExists(installFolder + "\\Qbarconf.qcf"));
}

TEST_F(ExtractTest, ExistingMainConfigurationFileKeepsItsContentWhileSamplesAreReplaced) {
  UseConfigFolder(configFolder);
  WriteFile(configFolder + "\\Qbarconf.qcf", "my own bars");
  WriteFile(configFolder + "\\demo.qcf", "old demo");
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  EXPECT_EQ("my own bars", ReadFile(configFolder + "\\Qbarconf.qcf"));
  EXPECT_EQ("new demo.qcf", ReadFile(configFolder + "\\demo.qcf"));
}

TEST_F(ExtractTest, MissingSamplesArePassedOverSilently) {
  UseConfigFolder(configFolder);
  DeleteFileA((productFolder + "\\default.qcf").c_str());
  DeleteFileA((productFolder + "\\tiered.qcf").c_str());
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ((std::vector<std::string>{"cascade.qcf", "demo.qcf", "empty.qcf", "showcase.qcf"}),
            ListFolder(configFolder))
      << "no seed, so no Qbarconf.qcf either";
}

TEST_F(ExtractTest, SetupInADriveRootUsesTheArchiveInThatRoot) {
  fake.modulePath = "C:\\setup.exe";
  DeleteFileA("C:\\qbar47.dat");
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
  ExpectErrorBoxes({kMissingArchive}, __LINE__);
  EXPECT_STREQ("C:\\qbar47.dat", setupState.payloadArchivePath);
  EXPECT_STREQ("C:\\qbar!ins.exe", setupState.extractorCopyPath);

  // With the archive there, the copy is made beside it and run.
  std::string rootPayload = WritePinnedPayload("C:\\qbar47.dat", "root archive");
  fake.boxes.clear();
  fake.launch = [](const char*, UINT) { return 2u; };
  fake.Answer(IDOK);
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
  std::string copy = ReadFile("C:\\qbar!ins.exe");
  DeleteFileA("C:\\qbar47.dat");
  DeleteFileA("C:\\qbar!ins.exe");
  EXPECT_EQ(rootPayload, copy);
  ASSERT_EQ(1u, fake.launches.size());
  EXPECT_EQ("\"C:\\qbar!ins.exe\"", fake.launches[0]);
  ExpectErrorBoxes({"Unable to winexec unzip program 2", "C:\\qbar!ins.exe"}, __LINE__);
}

TEST_F(ExtractTest, SetupPathLongerThanTheBufferIsRefusedAsMissingArchive) {
  fake.modulePath = PathOfLength(setupFolder, 300) + "\\setup.exe";
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
  ExpectErrorBoxes({kMissingArchive}, __LINE__);
  EXPECT_STREQ("", setupState.payloadArchivePath);
  EXPECT_STREQ("", setupState.extractorCopyPath) << "nothing was made, so nothing to delete";
}

TEST_F(ExtractTest, ArchiveNameTooLongIsRefusedAsMissingArchive) {
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload(std::string(260, 'a').c_str()));
  ExpectErrorBoxes({kMissingArchive}, __LINE__);
  EXPECT_STREQ("", setupState.payloadArchivePath);
  EXPECT_EQ(CopyPath(), setupState.extractorCopyPath);
}

TEST_F(ExtractTest, CopyPathTooLongIsRefusedAtOnceWithoutARetry) {
  // 247 characters: "\qbar47.dat" still fits a MAX_PATH buffer, "\qbar!ins.exe" does not.
  std::string deepFolder = PathOfLength(scratch.path(), 247);
  MakeFolder(deepFolder);
  WritePinnedPayload(deepFolder + "\\qbar47.dat");
  fake.modulePath = deepFolder + "\\setup.exe";
  fake.Answer(IDOK);
  EXPECT_EQ(0, ExtractPayload("qbar47.dat"));
  ExpectErrorBoxes({kCopyFailed}, __LINE__);
  EXPECT_EQ(deepFolder + "\\qbar47.dat", setupState.payloadArchivePath);
  EXPECT_STREQ("", setupState.extractorCopyPath);
  EXPECT_TRUE(fake.sleeps.empty());
  EXPECT_EQ(std::vector<std::string>{"qbar47.dat"}, ListFolder(deepFolder));
}

TEST_F(ExtractTest, SamplesThatWouldNotFitTheConfigFolderAreSkippedNotCut) {
  // 248 characters: "\empty.qcf", "\tiered.qcf" and "\demo.qcf" fit; "\default.qcf",
  // "\showcase.qcf", "\cascade.qcf" and "\Qbarconf.qcf" do not.
  std::string deepConfig = PathOfLength(scratch.path(), 248);
  MakeFolder(deepConfig);
  UseConfigFolder(deepConfig);
  EXPECT_EQ(1, ExtractPayload("qbar47.dat"));
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ((std::vector<std::string>{"demo.qcf", "empty.qcf", "tiered.qcf"}),
            ListFolder(deepConfig));
}

TEST(SetupErrorBox, ShowsTheTextOnTopWithoutOwnerOrIcon) {
  FakeOutside fake;
  fake.Answer(IDOK);
  ShowSetupError("cannot complete unzip");
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ("cannot complete unzip", fake.boxes[0].text);
  EXPECT_EQ("Quillbar Setup Error", fake.boxes[0].caption);
  EXPECT_EQ(UINT(0x00040000), fake.boxes[0].style);
}

TEST(SetupErrorBox, TextLongerThanItsBufferIsShownWhole) {
  FakeOutside fake;
  std::string text(400, 'x');
  text += " end";
  fake.Answer(IDOK);
  ShowSetupError(text.c_str());
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(text, fake.boxes[0].text);
}

}  // namespace

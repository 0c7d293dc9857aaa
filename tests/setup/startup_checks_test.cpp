#include "setup/startup_checks.h"

#include <gtest/gtest.h>

#include "tests/support/fake_outside.h"
#include "tests/support/stand_in_window.h"

namespace {

const char kShutDownText[] =
    "Please shut down  Quillbar and then Press OK.\r"
    "To shutdown Quillbar, Ctrl-right click any bar and press quit.\r"
    "Or use Ctrl-alt-del, select Quillbar, and press end task.";
const char kWaitText[] =
    "To allow Quillbar to clear from memory,\rplease wait 15 seconds then press OK";

TEST(ProductRunningCheck, GoesOnWithoutAQuestionWhenQuillbarIsNotRunning) {
  FakeOutside fake;
  EXPECT_NE(0, CheckProductNotRunning());
  EXPECT_TRUE(fake.boxes.empty());
}

TEST(ProductRunningCheck, CancelOnTheFirstBoxEndsSetup) {
  FakeOutside fake;
  StandInWindow product("QuillbarMain");
  fake.Answer(IDCANCEL);
  EXPECT_EQ(0, CheckProductNotRunning());
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(kShutDownText, fake.boxes[0].text);
  EXPECT_EQ("Quillbar Setup", fake.boxes[0].caption);
  EXPECT_EQ(UINT(MB_OKCANCEL | MB_TOPMOST), fake.boxes[0].style);
}

TEST(ProductRunningCheck, AsksAgainWhileTheWindowStaysAndGoesOnOnceItIsGone) {
  FakeOutside fake;
  StandInWindow product("QuillbarMain");
  fake.Answer(IDOK);
  fake.Answer(IDOK);
  fake.Answer(IDOK);
  fake.Answer(IDOK, [&] { product.Destroy(); });  // Quillbar quits during the wait
  EXPECT_NE(0, CheckProductNotRunning());
  ASSERT_EQ(4u, fake.boxes.size());
  EXPECT_EQ(kShutDownText, fake.boxes[2].text);
  EXPECT_EQ(kWaitText, fake.boxes[3].text);
  EXPECT_EQ(UINT(MB_OK | MB_TOPMOST), fake.boxes[3].style);
  EXPECT_TRUE(fake.sleeps.empty()) << "the wait is the user's, not the program's";
}

TEST(ProductRunningCheck, ClosingTheFirstBoxCountsAsCancel) {
  FakeOutside fake;
  StandInWindow product("QuillbarMain");
  fake.Answer(0);  // MessageBox failing or closed without an answer
  EXPECT_EQ(0, CheckProductNotRunning());
}

TEST(TrayCheck, NoTrayWindowGoesOn) {
  FakeOutside fake;
  EXPECT_NE(0, CheckTrayIsCurrent());
  EXPECT_TRUE(fake.boxes.empty());
}

TEST(TrayCheck, CurrentTrayAnswering117GoesOnAndStaysRunning) {
  FakeOutside fake;
  StandInWindow tray("QuillbarTray", 117);
  EXPECT_NE(0, CheckTrayIsCurrent());
  EXPECT_TRUE(fake.boxes.empty());
  ASSERT_EQ(1u, tray.received.size());
  EXPECT_EQ(UINT(0x465), tray.received[0].message);
  EXPECT_EQ(0u, tray.received[0].wParam);
  EXPECT_EQ(0, tray.received[0].lParam);
  EXPECT_TRUE(IsWindow(tray.hwnd()));
}

TEST(TrayCheck, OldTrayAnswering0ShowsTheErrorBoxAndStops) {
  FakeOutside fake;
  StandInWindow tray("QuillbarTray", 0);
  fake.Answer(IDOK);
  EXPECT_EQ(0, CheckTrayIsCurrent());
  ASSERT_EQ(1u, fake.boxes.size());
  EXPECT_EQ(
      "Old version of Quillbar tray support running.\r"
      "Shutdown qbartray.exe using Configure|remove tray support or Task Manager, uninstall tray "
      "support,  and reboot.\rSee readme.txt formore info",
      fake.boxes[0].text);
  EXPECT_EQ("Error", fake.boxes[0].caption);
  EXPECT_EQ(UINT(MB_OK), fake.boxes[0].style);
}

TEST(TrayCheck, AnyOtherAnswerIsAnOldTray) {
  FakeOutside fake;
  StandInWindow tray("QuillbarTray", 116);
  fake.Answer(IDOK);
  EXPECT_EQ(0, CheckTrayIsCurrent());
}

}  // namespace

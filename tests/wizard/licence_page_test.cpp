#include "wizard/licence_page.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/wizard_harness.h"

namespace {

const int kBackButton = 0x3023;
const int kNextButton = 0x3024;

std::vector<std::string> ListRows(HWND page) {
  std::vector<std::string> rows;
  LRESULT count = SendDlgItemMessageA(page, 1008, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char row[256] = "";
    SendDlgItemMessageA(page, 1008, LB_GETTEXT, i, reinterpret_cast<LPARAM>(row));
    rows.push_back(row);
  }
  return rows;
}

TEST(LicenceText, HasTheTwentyTwoRowsInTheirShape) {
  EXPECT_EQ("Quillbar 4.7 Licence Agreement", std::string(kLicenceLines[0]));
  for (int blank : {2, 5, 13, 17, 20}) EXPECT_STREQ("", kLicenceLines[blank - 1]) << blank;
  for (int row = 1; row <= 22; ++row) {
    bool blank = row == 2 || row == 5 || row == 13 || row == 17 || row == 20;
    if (!blank) {
      EXPECT_STRNE("", kLicenceLines[row - 1]) << row;
    }
  }
  EXPECT_NE(std::string::npos, std::string(kLicenceLines[5]).find("\"as is\""));
  std::string row14 = kLicenceLines[13];
  EXPECT_EQ(' ', row14.back());
}

TEST(LicencePage, FirstActivationShowsTheTwentyTwoRowsInOrder) {
  ModelessWizard wizard;
  ASSERT_EQ(101, wizard.pageId());
  std::vector<std::string> rows = ListRows(wizard.page());
  ASSERT_EQ(22u, rows.size());
  for (int i = 0; i < 22; ++i) EXPECT_EQ(kLicenceLines[i], rows[i]) << "row " << i + 1;
}

TEST(LicencePage, OnlyNextIsEnabled) {
  ModelessWizard wizard;
  EXPECT_TRUE(wizard.ButtonEnabled(kNextButton));
  EXPECT_FALSE(wizard.ButtonEnabled(kBackButton));
}

TEST(LicencePage, NextGoesToTheFolderPageAndBackStays) {
  ModelessWizard wizard;
  BOOL handled = FALSE;
  EXPECT_EQ(103, wizard.Notify(LicensePageProc, PSN_WIZNEXT, &handled));
  EXPECT_TRUE(handled);
  EXPECT_EQ(-1, wizard.Notify(LicensePageProc, PSN_WIZBACK, &handled));
  EXPECT_TRUE(handled);
  EXPECT_EQ(0, wizard.Notify(LicensePageProc, PSN_KILLACTIVE, &handled));
  EXPECT_TRUE(handled);
  EXPECT_EQ(0, wizard.Notify(LicensePageProc, PSN_RESET, &handled));
  EXPECT_TRUE(handled);
  wizard.Notify(LicensePageProc, PSN_QUERYCANCEL, &handled);
  EXPECT_FALSE(handled) << "Cancel is never refused";
}

TEST(LicencePage, SecondActivationStillShowsTwentyTwoRows) {
  ModelessWizard wizard;
  wizard.Press(PSBTN_NEXT);
  ASSERT_EQ(103, wizard.pageId());
  wizard.Press(PSBTN_BACK);
  ASSERT_EQ(101, wizard.pageId());
  EXPECT_EQ(22u, ListRows(wizard.page()).size());
}

TEST(LicencePage, ListIsNotSorted) {
  ModelessWizard wizard;
  LONG style = GetWindowLongA(GetDlgItem(wizard.page(), 1008), GWL_STYLE);
  EXPECT_EQ(0, style & LBS_SORT);
}

}  // namespace

#include "wizard/center_window.h"

#include <gtest/gtest.h>

#include "tests/support/stand_in_window.h"
#include "tests/support/wizard_harness.h"

namespace {

RECT WindowRect(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return rect;
}

TEST(CenterWindow, WindowWithoutParentIsCentredItself) {
  HWND window = CreateWindowA("STATIC", "", WS_POPUP, 3, 5, 401, 301, NULL, NULL, NULL, NULL);
  ASSERT_TRUE(window != NULL);
  CenterWindow(window);
  RECT rect = WindowRect(window);
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(screenWidth / 2 - 402 / 2, rect.left);
  EXPECT_EQ(screenHeight / 2 - 302 / 2, rect.top);
  EXPECT_EQ(401, rect.right - rect.left) << "the size stays";
  DestroyWindow(window);
}

TEST(CenterWindow, ChildMovesItsParent) {
  HWND parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 200, 100, NULL, NULL, NULL, NULL);
  HWND child = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 10, 10, parent, NULL, NULL, NULL);
  CenterWindow(child);
  RECT rect = WindowRect(parent);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 - 201 / 2, rect.left);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 2 - 101 / 2, rect.top);
  DestroyWindow(parent);
}

TEST(CenterWindow, WindowLargerThanTheScreenGoesToTheOrigin) {
  HWND window = CreateWindowA("STATIC", "", WS_POPUP, 50, 60, GetSystemMetrics(SM_CXSCREEN) + 50,
                              GetSystemMetrics(SM_CYSCREEN) + 50, NULL, NULL, NULL, NULL);
  CenterWindow(window);
  RECT rect = WindowRect(window);
  EXPECT_EQ(0, rect.left);
  EXPECT_EQ(0, rect.top);
  DestroyWindow(window);
}

TEST(CenterWindow, TheWizardIsCentredOnEachActivation) {
  ModelessWizard wizard;
  SetWindowPos(wizard.sheet(), NULL, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  wizard.Press(PSBTN_NEXT);
  RECT rect = WindowRect(wizard.sheet());
  int width = rect.right - rect.left + 1;
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2, rect.left);
}

}  // namespace

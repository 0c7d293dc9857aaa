#include "setup/com.h"

#include <gtest/gtest.h>

#include "setup/setup_state.h"

namespace {

TEST(ComStartStop, StartMakesOneShellLinkObjectWithBothInterfaces) {
  setupState = SetupState{};
  ComStartStop(1);
  ASSERT_TRUE(setupState.shellLink != nullptr);
  ASSERT_TRUE(setupState.shellLinkFile != nullptr);
  // Both pointers belong to the same object.
  IUnknown* fromLink = nullptr;
  IUnknown* fromFile = nullptr;
  setupState.shellLink->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromLink));
  setupState.shellLinkFile->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromFile));
  EXPECT_EQ(fromLink, fromFile);
  fromLink->Release();
  fromFile->Release();
  ComStartStop(0);
  EXPECT_TRUE(setupState.shellLink == nullptr);
  EXPECT_TRUE(setupState.shellLinkFile == nullptr);
}

TEST(ComStartStop, StopWithoutObjectStillUninitializes) {
  setupState = SetupState{};
  CoInitialize(NULL);  // as a start whose object could not be made leaves it
  ComStartStop(0);
  // Balanced: a fresh CoInitialize on this thread is the first again.
  EXPECT_EQ(S_OK, CoInitialize(NULL));
  CoUninitialize();
}

}  // namespace

#include "wizard/centering.h"

#include <gtest/gtest.h>

TEST(CenteredOrigin, CountsTheRectangleOneLargerThanItsSpan) {
  int x = -1, y = -1;
  CenteredOrigin(0, 0, 400, 300, 1024, 768, &x, &y);
  EXPECT_EQ(312, x);  // 512 - 401 / 2
  EXPECT_EQ(234, y);  // 384 - 301 / 2
}

TEST(CenteredOrigin, DependsOnTheSizeNotThePosition) {
  int x, y;
  CenteredOrigin(-500, 900, -100, 1200, 1024, 768, &x, &y);
  EXPECT_EQ(312, x);
  EXPECT_EQ(234, y);
}

TEST(CenteredOrigin, ClampsAWindowAsLargeAsTheScreenToTheOrigin) {
  int x, y;
  CenteredOrigin(0, 0, 1023, 767, 1024, 768, &x, &y);
  EXPECT_EQ(0, x);
  EXPECT_EQ(0, y);
  CenteredOrigin(10, 10, 3000, 2000, 1024, 768, &x, &y);
  EXPECT_EQ(0, x);
  EXPECT_EQ(0, y);
}

TEST(CenteredOrigin, HalvesAreTruncatedSeparately) {
  int x, y;
  // width 1022 (span 1021): 1023/2 - 1022/2 = 511 - 511 = 0; odd screen.
  CenteredOrigin(0, 0, 1021, 100, 1023, 769, &x, &y);
  EXPECT_EQ(0, x);
  EXPECT_EQ(384 - 50, y);
}

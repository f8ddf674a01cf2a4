// Where CenterWindow puts a window, for screens of any size.
#include <gtest/gtest.h>

#include "ui/placement.h"

namespace {

TEST(CenteredPositionTest, ThreeFifthsOfTheFreeHeightAboveTheWindow) {
  struct Case {
    int width, height, screenWidth, screenHeight;
    int x, y;
  };
  const Case cases[] = {
      {400, 200, 800, 600, 200, 240},     // not half the free height (200)
      {400, 200, 801, 601, 200, 240},     // odd differences round toward zero
      {401, 201, 800, 600, 199, 239},
      {325, 202, 640, 480, 157, 166},
      {800, 600, 800, 600, 0, 0},         // exactly the screen
      {1000, 700, 800, 600, 0, 0},        // larger: the caption stays on the screen
      {900, 200, 800, 600, 0, 240},       // wider only
      {400, 650, 800, 600, 200, 0},       // taller only
      {0, 0, 1024, 768, 512, 460},
  };
  for (const Case& c : cases) {
    WindowPosition p = CenteredPosition(c.width, c.height, c.screenWidth, c.screenHeight);
    EXPECT_EQ(p.x, c.x) << c.width << "x" << c.height << " on " << c.screenWidth << "x" << c.screenHeight;
    EXPECT_EQ(p.y, c.y) << c.width << "x" << c.height << " on " << c.screenWidth << "x" << c.screenHeight;
  }
}

}  // namespace

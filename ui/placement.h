// Where a window goes on the screen: centred across, and a little below the middle
// (three fifths of the free height above it, two fifths below).
#pragma once

struct WindowPosition {
  int x;
  int y;
};

// A window larger than the screen keeps its top-left corner on the screen, so that
// its caption can still be reached.
WindowPosition CenteredPosition(int width, int height, int screenWidth, int screenHeight);

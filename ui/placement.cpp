#include "ui/placement.h"

WindowPosition CenteredPosition(int width, int height, int screenWidth, int screenHeight) {
  WindowPosition position;
  position.x = (screenWidth - width) / 2;
  position.y = 3 * (screenHeight - height) / 5;
  if (position.x < 0) position.x = 0;
  if (position.y < 0) position.y = 0;
  return position;
}

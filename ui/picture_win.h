#pragma once

#include <windows.h>

// The picture of that id from the program's resources (ui/picture.h) as a bitmap for
// the screen, or none when it is missing or damaged. The caller deletes it.
HBITMAP LoadPicture(int id);

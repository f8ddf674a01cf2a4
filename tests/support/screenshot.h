// Screenshots of windows for people to look at, written as PNG files into the test
// output folder (SETUP_TEST_OUTPUT).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // rows top-down, three bytes a pixel

  // Number of different colours, capped at limit: 1 means a blank picture.
  int CountColours(int limit = 16) const;
};

// The window as it is on the screen, frame and caption included.
Image CaptureWindow(HWND window);

// Waits until the window and every control in it are visible and painted (no update
// region left), dispatching messages meanwhile when the window is the caller's own.
// False after the timeout.
bool WaitUntilPainted(HWND window, DWORD timeoutMs = 5000);

// "en" or "ja", after the language the thread's resources come in.
std::string LanguageTag();

// Writes the window to <SETUP_TEST_OUTPUT>\<name>.png and returns the path, or an
// empty string on failure.
std::string SaveScreenshot(HWND window, const std::string& name);

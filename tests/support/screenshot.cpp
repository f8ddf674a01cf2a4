#include "support/screenshot.h"

#include <cstdlib>
#include <set>

#include "support/png.h"

int Image::CountColours(int limit) const {
  std::set<uint32_t> colours;
  for (size_t i = 0; i + 2 < rgb.size() && int(colours.size()) < limit; i += 3) {
    colours.insert(uint32_t(rgb[i]) << 16 | uint32_t(rgb[i + 1]) << 8 | rgb[i + 2]);
  }
  return int(colours.size());
}

Image CaptureWindow(HWND window) {
  Image image;
  RECT bounds;
  if (!GetWindowRect(window, &bounds)) return image;
  int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0) return image;

  HDC source = GetWindowDC(window);
  if (source == nullptr) return image;
  HDC memory = CreateCompatibleDC(source);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = memory != nullptr ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                                      : nullptr;
  if (section != nullptr) {
    HGDIOBJ old = SelectObject(memory, section);
    if (BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY)) {
      GdiFlush();
      image.width = width;
      image.height = height;
      image.rgb.resize(size_t(width) * size_t(height) * 3);
      const uint8_t* pixel = static_cast<const uint8_t*>(bits);
      for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
        image.rgb[3 * i] = pixel[4 * i + 2];
        image.rgb[3 * i + 1] = pixel[4 * i + 1];
        image.rgb[3 * i + 2] = pixel[4 * i];
      }
    }
    SelectObject(memory, old);
    DeleteObject(section);
  }
  if (memory != nullptr) DeleteDC(memory);
  ReleaseDC(window, source);
  return image;
}

std::string LanguageTag() {
  return PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())) == LANG_JAPANESE ? "ja" : "en";
}

std::string SaveScreenshot(HWND window, const std::string& name) {
  const char* folder = std::getenv("SETUP_TEST_OUTPUT");
  if (folder == nullptr || *folder == '\0') return "";
  Image image = CaptureWindow(window);
  if (image.width == 0) return "";
  std::string path = std::string(folder) + "\\" + name + ".png";
  return WritePng(path, image.width, image.height, image.rgb) ? path : "";
}

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

namespace {

BOOL CALLBACK FindUnpainted(HWND child, LPARAM found) {
  if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
  }
  return TRUE;
}

bool IsPainted(HWND window) {
  if (!IsWindowVisible(window) || GetUpdateRect(window, nullptr, FALSE)) return false;
  bool unpainted = false;
  EnumChildWindows(window, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
  return !unpainted;
}

void DispatchWaiting() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace

bool WaitUntilPainted(HWND window, DWORD timeoutMs) {
  const bool own = GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
  const DWORD start = GetTickCount();
  for (;;) {
    if (own) DispatchWaiting();
    if (IsPainted(window)) break;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(10);
  }
  // The display shows what was drawn once the X server has it.
  GdiFlush();
  Sleep(50);
  if (own) DispatchWaiting();
  return true;
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

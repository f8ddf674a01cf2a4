#include "ui/picture_win.h"

#include <cstdlib>

#include "config/state_win.h"
#include "payload/memory_inflate.h"
#include "text/status.h"
#include "ui/picture.h"

namespace {

// The unpacked picture, or none; the caller frees it.
uint8_t* UnpackPicture(int id, uint32_t* size) {
  HRSRC found = FindResourceA(gInstance, MAKEINTRESOURCEA(id), "PICTURE");
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(gInstance, found);
  if (loaded == nullptr) return nullptr;
  const auto* packed = static_cast<const uint8_t*>(LockResource(loaded));
  const DWORD packedSize = SizeofResource(gInstance, found);
  if (packed == nullptr || packedSize < 4) return nullptr;
  *size = uint32_t(packed[0]) | uint32_t(packed[1]) << 8 | uint32_t(packed[2]) << 16 |
          uint32_t(packed[3]) << 24;
  if (*size == 0 || *size > kLargestPicture) return nullptr;
  auto* picture = static_cast<uint8_t*>(std::malloc(*size));
  if (picture == nullptr) return nullptr;
  if (InflateToMemory(packed + 4, packedSize - 4, picture, *size) != statusOk) {
    std::free(picture);
    return nullptr;
  }
  return picture;
}

}  // namespace

HBITMAP LoadPicture(int id) {
  uint32_t size = 0;
  uint8_t* picture = UnpackPicture(id, &size);
  if (picture == nullptr) return nullptr;
  HBITMAP bitmap = nullptr;
  const uint32_t pixels = PicturePixelsOffset(picture, size);
  // A bitmap of the screen's format, as the system makes from a bitmap resource.
  HDC screen = pixels != 0 ? GetDC(nullptr) : nullptr;
  if (screen != nullptr) {
    const auto* info = reinterpret_cast<const BITMAPINFO*>(picture);
    bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, picture + pixels, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
  }
  std::free(picture);
  return bitmap;
}

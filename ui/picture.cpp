#include "ui/picture.h"

namespace {

uint32_t Load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t Load16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

constexpr uint32_t kHeaderSize = 40;
constexpr uint32_t kLargestSide = 4096;

}  // namespace

uint32_t PicturePixelsOffset(const uint8_t* picture, uint32_t size) {
  if (size < kHeaderSize || Load32(picture) != kHeaderSize) return 0;
  const uint32_t width = Load32(picture + 4);
  const uint32_t height = Load32(picture + 8);  // a top-down one reads as huge
  const uint32_t planes = Load16(picture + 12);
  const uint32_t bits = Load16(picture + 14);
  const uint32_t compression = Load32(picture + 16);
  const uint32_t used = Load32(picture + 32);
  if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) return 0;
  if (planes != 1 || (bits != 1 && bits != 4 && bits != 8) || compression != 0) return 0;
  const uint32_t available = 1u << bits;
  if (used > available) return 0;
  const uint32_t colours = used == 0 ? available : used;
  const uint32_t stride = (width * bits + 31) / 32 * 4;
  const uint32_t offset = kHeaderSize + 4 * colours;
  if (size != offset + stride * height) return 0;
  return offset;
}

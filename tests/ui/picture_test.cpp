// The check of an unpacked picture before it becomes a bitmap.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/picture.h"

namespace {

void Put32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  for (int k = 0; k < 4; ++k) (*bytes)[at + k] = uint8_t(value >> (8 * k));
}

void Put16(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  (*bytes)[at] = uint8_t(value);
  (*bytes)[at + 1] = uint8_t(value >> 8);
}

struct Shape {
  int32_t width = 5, height = 3;
  uint32_t bits = 4, used = 16, compression = 0, planes = 1, headerSize = 40;
};

// A picture of that shape whose colours and rows fill it exactly.
std::vector<uint8_t> Picture(const Shape& s) {
  const uint32_t colours = s.used != 0 ? s.used : 1u << s.bits;
  const uint32_t stride = (uint32_t(s.width) * s.bits + 31) / 32 * 4;
  std::vector<uint8_t> bytes(40 + 4 * colours + stride * uint32_t(s.height < 0 ? -s.height : s.height));
  Put32(&bytes, 0, s.headerSize);
  Put32(&bytes, 4, uint32_t(s.width));
  Put32(&bytes, 8, uint32_t(s.height));
  Put16(&bytes, 12, s.planes);
  Put16(&bytes, 14, s.bits);
  Put32(&bytes, 16, s.compression);
  Put32(&bytes, 32, s.used);
  return bytes;
}

TEST(PictureTest, TheRowsStartAfterTheColours) {
  struct Case {
    Shape shape;
    uint32_t offset;
  };
  Shape sixteen;
  Shape fewColours;
  fewColours.used = 3;
  Shape allColours;  // 0 colours named: all that the depth holds
  allColours.bits = 8;
  allColours.used = 0;
  Shape mono;
  mono.bits = 1;
  mono.used = 2;
  mono.width = 33;  // two words a row
  for (const Case& c : {Case{sixteen, 40 + 64}, Case{fewColours, 40 + 12}, Case{allColours, 40 + 1024},
                        Case{mono, 40 + 8}}) {
    std::vector<uint8_t> picture = Picture(c.shape);
    EXPECT_EQ(PicturePixelsOffset(picture.data(), uint32_t(picture.size())), c.offset) << c.shape.bits;
  }
}

TEST(PictureTest, AnythingElseIsRefused) {
  struct Case {
    const char* what;
    Shape shape;
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, auto change) {
    Shape s;
    change(&s);
    cases.push_back({what, s});
  };
  add("another header", [](Shape* s) { s->headerSize = 108; });
  add("top-down rows", [](Shape* s) { s->height = -3; });
  add("no width", [](Shape* s) { s->width = 0; });
  add("too wide", [](Shape* s) { s->width = 5000; });
  add("two planes", [](Shape* s) { s->planes = 2; });
  add("24 bits", [](Shape* s) { s->bits = 24; s->used = 0; });
  add("RLE4", [](Shape* s) { s->compression = 2; });
  add("more colours than the depth holds", [](Shape* s) { s->used = 17; });
  for (const Case& c : cases) {
    std::vector<uint8_t> picture = Picture(c.shape);
    EXPECT_EQ(PicturePixelsOffset(picture.data(), uint32_t(picture.size())), 0u) << c.what;
  }

  std::vector<uint8_t> picture = Picture(Shape());
  const uint32_t size = uint32_t(picture.size());
  EXPECT_EQ(PicturePixelsOffset(picture.data(), size - 1), 0u) << "a row cut short";
  picture.push_back(0);
  EXPECT_EQ(PicturePixelsOffset(picture.data(), size + 1), 0u) << "a byte after the rows";
  EXPECT_EQ(PicturePixelsOffset(picture.data(), 39), 0u) << "less than a header";
}

}  // namespace

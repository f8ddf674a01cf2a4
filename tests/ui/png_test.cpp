// The screenshot encoder's files, read back with zlib.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "support/png.h"

namespace {

uint32_t Big32(const std::vector<uint8_t>& data, size_t at) {
  return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | data[at + 3];
}

TEST(PngTest, ChunksCheckAndPixelsComeBack) {
  // Sizes that fit one stored block and that need several (a block holds 65535 bytes).
  const int sizes[][2] = {{1, 1}, {3, 2}, {200, 150}};
  for (const auto& size : sizes) {
    int width = size[0], height = size[1];
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7 + i / 5);
    std::vector<uint8_t> png = EncodePng(width, height, rgb);

    ASSERT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
              (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    std::vector<uint8_t> idat;
    size_t at = 8;
    std::vector<std::string> types;
    while (at < png.size()) {
      uint32_t length = Big32(png, at);
      std::string type(png.begin() + long(at) + 4, png.begin() + long(at) + 8);
      types.push_back(type);
      uint32_t crc = uint32_t(crc32(0, png.data() + at + 4, length + 4));
      EXPECT_EQ(Big32(png, at + 8 + length), crc) << type;
      if (type == "IHDR") {
        EXPECT_EQ(Big32(png, at + 8), uint32_t(width));
        EXPECT_EQ(Big32(png, at + 12), uint32_t(height));
      }
      if (type == "IDAT") idat.insert(idat.end(), png.begin() + long(at) + 8, png.begin() + long(at) + 8 + length);
      at += 12 + length;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));

    std::vector<uint8_t> raw(size_t(height) * (size_t(width) * 3 + 1) + 1);
    uLongf rawSize = uLongf(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &rawSize, idat.data(), uLong(idat.size())), Z_OK) << width;
    ASSERT_EQ(rawSize, uLongf(raw.size() - 1));
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = raw.data() + size_t(y) * (size_t(width) * 3 + 1);
      ASSERT_EQ(row[0], 0) << "filter of row " << y;
      ASSERT_EQ(std::vector<uint8_t>(row + 1, row + 1 + width * 3),
                std::vector<uint8_t>(rgb.begin() + long(y) * width * 3, rgb.begin() + long(y + 1) * width * 3))
          << "row " << y;
    }
  }
}

}  // namespace

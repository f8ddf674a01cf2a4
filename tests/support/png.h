// PNG files without a compression library: 8-bit RGB, the image data in stored
// (uncompressed) deflate blocks inside a zlib stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// rgb holds width * height pixels, three bytes each, rows top-down.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb);
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

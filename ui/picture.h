// The program's pictures: packed bitmaps (header, colours, rows) in raw Deflate, as
// custom resources of type "PICTURE", each after its unpacked size (32-bit, little-
// endian). Deflate makes the wizard's dithered picture a seventh of its size, which
// no bitmap format the 95/98 family loads comes near.
#pragma once

#include <cstdint>

// Larger than any picture the wizard shows; a size beyond it marks a damaged one.
constexpr uint32_t kLargestPicture = 1u << 20;

// Where the rows of an unpacked picture start: after a 40-byte header of an
// uncompressed, bottom-up bitmap of 1, 4 or 8 bits per pixel and its colour table,
// with its rows filling the rest exactly. 0 for anything else.
uint32_t PicturePixelsOffset(const uint8_t* picture, uint32_t size);

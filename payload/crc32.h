// CRC-32 with the reflected polynomial 0xEDB88320. The caller owns the register:
// start it at 0xFFFFFFFF and XOR the final value with 0xFFFFFFFF.
#pragma once

#include <cstddef>
#include <cstdint>

// Folds n bytes into the register and returns the new register.
uint32_t UpdateCrc32(uint32_t crc, const uint8_t* data, size_t n);

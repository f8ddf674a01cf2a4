// Lays out the configuration resources of a product: InstallConfig (CONFIG 1) and one
// ConfigStrings (CONFIG 2) per language.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/mksetup/description.h"

struct ConfigResources {
  std::vector<uint8_t> config;
  std::vector<uint8_t> englishStrings;
  std::vector<uint8_t> japaneseStrings;
};

ConfigResources LayOutConfiguration(const ProductDescription& d, uint32_t payloadCrc);

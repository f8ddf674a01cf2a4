// Lays out the configuration resources of a product: InstallConfig (CONFIG 1), one
// ConfigStrings (CONFIG 2) per language and, unless the product registers exactly
// the built-in things, its ProductData (CONFIG 3).
#pragma once

#include <cstdint>
#include <vector>

#include "tools/mksetup/description.h"

struct ConfigResources {
  std::vector<uint8_t> config;
  std::vector<uint8_t> englishStrings;
  std::vector<uint8_t> japaneseStrings;
  std::vector<uint8_t> productData;  // empty: none
};

// writeProductData: CONFIG 3 even when it says what a setup without it does.
ConfigResources LayOutConfiguration(const ProductDescription& d, uint32_t payloadCrc,
                                    bool writeProductData = false);
